#include "core/fields/FieldOps.h"

#include "core/fields/FastFourierTransform.h"
#include "core/fields/FftwEngine.h"

namespace orvilane
{

unsigned PassThreads(const Fields& field)
{
    return FftwEngine::GetThreadCount(field.mEx.n_elem);
}

Fields ToXSpace(const Fields& input)
{
    return input.mDomain == FieldDomain::KSpace ? FastFourierTransform().Inverse(input) : input;
}

Fields ToXSpace(Fields&& input)
{
    if (input.mDomain == FieldDomain::KSpace)
        return FastFourierTransform().Inverse(std::move(input));
    return std::move(input);
}

} // namespace orvilane
