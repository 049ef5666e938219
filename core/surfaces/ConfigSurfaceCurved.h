#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Shape of a spherical cap. Only the sphere (conic constant 0) is traced.
class ConfigSurfaceCurved : public SerializableData
{
public:
    ConfigSurfaceCurved() = default;
    ConfigSurfaceCurved(const ConfigSurfaceCurved&) = default;
    ConfigSurfaceCurved& operator=(const ConfigSurfaceCurved&) = default;
    ~ConfigSurfaceCurved() override = default;

    ORVILANE_FIELD(double, mApertureRadius, "Aperture Radius", 0.1);   // radius of the rim, metres
    ORVILANE_FIELD(double, mCurvatureRadius, "Curvature Radius", 1.0); // sphere radius, metres
    ORVILANE_FIELD(double, mConicConstant, "Conic Constant", 0.0);
    ORVILANE_FIELD(bool, mConvex, "Convex", false); // true: the cap bulges towards +normal
};

} // namespace orvilane
