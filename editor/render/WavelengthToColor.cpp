#include "editor/render/WavelengthToColor.h"

#include <algorithm>

namespace orvilaneeditor
{

glm::vec4 WavelengthToColor(double wavelength)
{
    const double nm = wavelength * 1e9;
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    if (nm >= 380.0 && nm <= 440.0)
    {
        r = (440.0 - nm) / 60.0;
        b = 1.0;
    }
    else if (nm > 440.0 && nm <= 490.0)
    {
        g = (nm - 440.0) / 50.0;
        b = 1.0;
    }
    else if (nm > 490.0 && nm <= 510.0)
    {
        g = 1.0;
        b = (510.0 - nm) / 20.0;
    }
    else if (nm > 510.0 && nm <= 580.0)
    {
        r = (nm - 510.0) / 70.0;
        g = 1.0;
    }
    else if (nm > 580.0 && nm <= 645.0)
    {
        r = 1.0;
        g = (645.0 - nm) / 65.0;
    }
    else if (nm > 645.0 && nm <= 750.0)
    {
        r = 1.0;
    }

    double factor = 1.0;
    if (nm >= 380.0 && nm <= 420.0)
        factor = 0.3 + 0.7 * (nm - 380.0) / 40.0;
    else if (nm >= 645.0 && nm <= 750.0)
        factor = 0.3 + 0.7 * (750.0 - nm) / 105.0;

    auto channel = [factor](double value) { return static_cast<float>(std::clamp(value * factor, 0.0, 1.0)); };
    return glm::vec4(channel(r), channel(g), channel(b), 1.0f);
}

} // namespace orvilaneeditor
