#include "editor/render/MeshGenerator.h"

#include <cmath>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/surfaces/ConfigSurfaceFlatCircle.h"
#include "core/base/Log.h"
#include "core/surfaces/SurfaceCurved.h"
#include "core/surfaces/SurfaceFlat.h"
#include "core/surfaces/SurfaceFlatCircle.h"
#include "core/surfaces/SurfaceFlatInfinite.h"

namespace orvilaneeditor
{

namespace
{
constexpr int32_t kSegments = 30;
constexpr int32_t kFlatRings = 2;
constexpr int32_t kCurvedRings = 10;

// Height of the conic cap at (x, y): rho^2 / (R (1 + sqrt(1 - (1 + k) rho^2 / R^2))),
// negated for a convex cap. An aperture beyond what the conic allows gives NaN.
float Sag(const orvilane::ConfigSurfaceCurved& config, float x, float y)
{
    const float rho = std::sqrt(x * x + y * y);
    const double rho2 = static_cast<double>(rho) * static_cast<double>(rho);
    const double r = config.mCurvatureRadius;
    const double k = config.mConicConstant;
    const double sag = rho2 / (r * (1.0 + std::sqrt(1.0 - (1.0 + k) * rho2 / (r * r))));
    const float result = static_cast<float>(sag);
    return config.mConvex ? -result : result;
}

template <typename Config>
std::shared_ptr<Config> ConfigOf(const std::shared_ptr<orvilane::SurfaceBase>& surface)
{
    return std::dynamic_pointer_cast<Config>(surface->mConfig);
}

void LogMissingConfig()
{
    orvilane::Log::Error("Surface without its configuration. Cannot create mesh");
}
} // namespace

Renderable MeshGenerator::GenerateMeshesFromSurfaces(
    const std::vector<std::shared_ptr<orvilane::SurfaceBase>>& surfaces)
{
    Renderable renderable;
    for (const std::shared_ptr<orvilane::SurfaceBase>& surface : surfaces)
    {
        auto mesh = std::make_shared<Mesh>();
        auto line = MakeSharedLine();

        if (std::dynamic_pointer_cast<orvilane::SurfaceFlatInfinite>(surface))
        {
            mesh->CreateRectangle(1.0f, 1.0f);
            line->CreateRectangle(1.0f, 1.0f);
        }
        else if (std::dynamic_pointer_cast<orvilane::SurfaceFlat>(surface))
        {
            if (auto config = ConfigOf<orvilane::ConfigSurfaceFlat>(surface))
            {
                const float width = static_cast<float>(config->mSize(0));
                const float height = static_cast<float>(config->mSize(1));
                mesh->CreateRectangle(width, height);
                line->CreateRectangle(width, height);
            }
            else
            {
                LogMissingConfig();
            }
        }
        else if (std::dynamic_pointer_cast<orvilane::SurfaceFlatCircle>(surface))
        {
            if (auto config = ConfigOf<orvilane::ConfigSurfaceFlatCircle>(surface))
            {
                const float radius = static_cast<float>(config->mRadius);
                mesh->CreateCircle([](float, float) { return 0.0f; }, radius, kFlatRings, kSegments);
                line->CreateCircle(radius, kSegments, glm::vec3(0.0f));
            }
            else
            {
                LogMissingConfig();
            }
        }
        else if (std::dynamic_pointer_cast<orvilane::SurfaceCurved>(surface))
        {
            if (auto config = ConfigOf<orvilane::ConfigSurfaceCurved>(surface))
            {
                const float aperture = static_cast<float>(config->mApertureRadius);
                // The height function keeps the surface and its record alive and
                // reads the record when it is called.
                mesh->CreateCircle([surface, config](float x, float y) { return Sag(*config, x, y); }, aperture,
                                   kCurvedRings, kSegments);
                line->CreateCircle(aperture, kSegments, glm::vec3(0.0f, 0.0f, Sag(*config, aperture, 0.0f)));
            }
            else
            {
                LogMissingConfig();
            }
        }
        else
        {
            orvilane::Log::Error("Unknown surface. Cannot create mesh");
        }
        renderable.Add(mesh, line);
    }
    return renderable;
}

} // namespace orvilaneeditor
