#include "core/fields/FieldOps.h"

#include "core/fields/FastFourierTransform.h"

namespace orvilane
{

Fields ToXSpace(const Fields& input)
{
    return input.mDomain == FieldDomain::KSpace ? FastFourierTransform().Inverse(input) : input;
}

} // namespace orvilane
