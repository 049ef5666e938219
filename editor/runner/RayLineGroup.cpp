#include "editor/runner/RayLineGroup.h"

#include "editor/render/Line.h"

namespace orvilaneeditor
{

RayLineGroup::RayLineGroup(double wavelength) : mWavelength(wavelength), mLine(MakeSharedLine())
{
}

} // namespace orvilaneeditor
