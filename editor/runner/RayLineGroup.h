#pragma once

#include <memory>

namespace orvilaneeditor
{

class Line;

// Preview segments of consecutive traced rays of one wavelength, drawn by the
// 3D view in one call coloured by the key.
class RayLineGroup
{
public:
    // Takes the key and makes a new empty line.
    explicit RayLineGroup(double wavelength);

    double mWavelength; // metres
    std::shared_ptr<Line> mLine;
};

} // namespace orvilaneeditor
