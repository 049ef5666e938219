#pragma once

#include <glm/glm.hpp>

namespace orvilaneeditor
{

// Display colour (r, g, b, 1), each in [0, 1], of light of the given vacuum
// wavelength in metres; black outside 380 to 750 nm, dimmed toward both ends.
glm::vec4 WavelengthToColor(double wavelength);

} // namespace orvilaneeditor
