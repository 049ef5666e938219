#include "core/elements/EleDetector.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <new>

#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/elements/ElementsFactory.h"
#include "core/base/Log.h"
#include "core/geometry/RayGeometry.h"
#include "core/geometry/Vectors.h"
#include "core/surfaces/SurfaceFlat.h"

namespace orvilane
{

namespace
{
const char* const kRaytracingLayer = "Raytracing";
const char* const kFieldLayers[8] = {"ExRe", "ExIm", "ExMo", "ExPh", "EyRe", "EyIm", "EyMo", "EyPh"};

// Narrowing that stays defined for values beyond the float range.
float ToFloat(double value)
{
    return static_cast<float>(RoundToSingle(value));
}

// Pixel holding the position f (metres from the screen's lower edge, within
// [0, pitch * count]); the far edge belongs to the last pixel.
uint64_t PixelIndex(double f, double pitch, uint64_t count)
{
    const double q = f / pitch;
    if (!(q < static_cast<double>(count)))
        return count - 1;
    return q > 0.0 ? static_cast<uint64_t>(q) : 0;
}
} // namespace

EleDetector::EleDetector()
{
    mTypeName = ElementsFactory::GetElementName(typeid(*this));
    mLabel = "Detector";
    mConfigDetector = std::make_shared<ConfigDetector>();
    mConfig = mConfigDetector;
    AddSurface(std::make_shared<SurfaceFlat>());
}

EleDetector::~EleDetector()
{
    mConfigDetector.reset();
}

void EleDetector::ClearResults()
{
    mLayers.clear();
    mValid = false;
}

bool EleDetector::GetScreen(double& sizeX, double& sizeY, uint64_t& nx, uint64_t& ny) const
{
    const ConfigSurfaceFlat* surface = nullptr;
    if (!mSurfaces.empty() && mSurfaces[0])
        surface = dynamic_cast<const ConfigSurfaceFlat*>(mSurfaces[0]->mConfig.get());
    if (surface == nullptr)
    {
        Log::Error("Detector ID:%u. The detector has no rectangular screen; nothing is recorded", mId);
        return false;
    }
    const long long rx = mConfigDetector->Resolution[0];
    const long long ry = mConfigDetector->Resolution[1];
    if (rx < 1 || ry < 1 || rx > kMaxPixelsPerSide || ry > kMaxPixelsPerSide)
    {
        Log::Error("Detector ID:%u. Number of Pixels (%lld x %lld) must be between 1 and %lld on each side; "
                   "nothing is recorded",
                   mId, rx, ry, kMaxPixelsPerSide);
        return false;
    }
    sizeX = surface->mSize[0];
    sizeY = surface->mSize[1];
    if (!(sizeX > 0.0) || !(sizeY > 0.0) || !std::isfinite(sizeX) || !std::isfinite(sizeY))
    {
        Log::Error("Detector ID:%u. Screen size (%g x %g) must be positive and finite; nothing is recorded", mId,
                   sizeX, sizeY);
        return false;
    }
    nx = static_cast<uint64_t>(rx);
    ny = static_cast<uint64_t>(ry);
    return true;
}

bool EleDetector::ProcessRay(Ray& ray, const ElementHit& hit)
{
    auto layer = std::find_if(mLayers.begin(), mLayers.end(),
                              [](const DetectorLayer& l) { return l.mName == kRaytracingLayer; });
    if (layer == mLayers.end())
    {
        double sizeX = 0.0, sizeY = 0.0;
        uint64_t nx = 0, ny = 0;
        if (GetScreen(sizeX, sizeY, nx, ny))
        {
            try
            {
                mLayers.emplace_back(kRaytracingLayer, nx, ny, sizeX, sizeY);
                layer = mLayers.end() - 1;
            }
            catch (const std::bad_alloc&)
            {
                Log::Error("Detector ID:%u. Not enough memory for %llu x %llu pixels; nothing is recorded", mId,
                           static_cast<unsigned long long>(nx), static_cast<unsigned long long>(ny));
                layer = mLayers.end();
            }
        }
    }

    // Without a usable pixel grid nothing is counted, but the screen still
    // stops or passes the ray.
    if (layer != mLayers.end())
    {
        const arma::vec3 p = hit.point - GetWorldPosition(*this);
        const double u = arma::dot(p, GetWorldAxisX(*this));
        const double v = arma::dot(p, GetWorldAxisY(*this));
        const double fx = layer->mSizeX * 0.5 + u;
        const double fy = layer->mSizeY * 0.5 + v;
        // The screen's edges belong to it; the slack covers the rounding of the
        // surface's own (differently computed) edge test.
        const double slackX = 1e-9 * layer->mSizeX;
        const double slackY = 1e-9 * layer->mSizeY;
        if (!(fx >= -slackX && fy >= -slackY && fx <= layer->mSizeX + slackX && fy <= layer->mSizeY + slackY))
        {
            Log::Warning("Detector: something went wrong, this should never happen, hit outside of screen");
            return false;
        }
        // Single precision may round a point on the edge just outside: keep it on the screen.
        const double fxs = std::clamp(RoundToSingle(fx), 0.0, layer->mSizeX);
        const double fys = std::clamp(RoundToSingle(fy), 0.0, layer->mSizeY);
        const uint64_t c = PixelIndex(fxs, layer->mPitchX, layer->mNx);
        const uint64_t r = PixelIndex(fys, layer->mPitchY, layer->mNy);
        const size_t index = static_cast<size_t>(layer->mNx * r + c);
        if (index < layer->mData.size())
            layer->Store(index, layer->mData[index] + 1.0f);
    }

    const arma::vec3 direction = GetLastDirection(ray);
    ray.AddPoint(ToGlm(hit.point), ToGlm(direction));
    return !mConfigDetector->BlockLight;
}

Fields EleDetector::ProcessFields(const Fields& input)
{
    // The pixels sample x-space; a k-space field is brought back once, and that
    // grid is what is kept as the output.
    const Fields g = TakeInputInXSpace(input);
    if (input.mDomain == FieldDomain::KSpace && mSaveOutputFields)
        mOutputFields = g;

    double sizeX = 0.0, sizeY = 0.0;
    uint64_t nx = 0, ny = 0;
    if (!GetScreen(sizeX, sizeY, nx, ny))
        return Fields();

    std::vector<DetectorLayer> layers;
    try
    {
        layers.reserve(8);
        for (const char* name : kFieldLayers)
            layers.emplace_back(name, nx, ny, sizeX, sizeY);
    }
    catch (const std::bad_alloc&)
    {
        Log::Error("Detector ID:%u. Not enough memory for %llu x %llu pixels; nothing is recorded", mId,
                   static_cast<unsigned long long>(nx), static_cast<unsigned long long>(ny));
        return Fields();
    }

    const double pitchX = layers[0].mPitchX;
    const double pitchY = layers[0].mPitchY;
    double x = mWorldPosition.x - sizeX * 0.5;
    for (uint64_t i = 0; i < nx; ++i)
    {
        double y = mWorldPosition.y - sizeY * 0.5;
        for (uint64_t j = 0; j < ny; ++j)
        {
            const std::complex<double> ex = g.InterpolateEx(x, y);
            const std::complex<double> ey = g.InterpolateEy(x, y);
            const size_t k = static_cast<size_t>(i * ny + j);
            layers[0].Store(k, ToFloat(ex.real()));
            layers[1].Store(k, ToFloat(ex.imag()));
            layers[2].Store(k, ToFloat(std::hypot(ex.real(), ex.imag())));
            layers[3].Store(k, ToFloat(std::atan2(ex.imag(), ex.real())));
            layers[4].Store(k, ToFloat(ey.real()));
            layers[5].Store(k, ToFloat(ey.imag()));
            layers[6].Store(k, ToFloat(std::hypot(ey.real(), ey.imag())));
            layers[7].Store(k, ToFloat(std::atan2(ey.imag(), ey.real())));
            y += pitchY;
        }
        x += pitchX;
    }

    for (DetectorLayer& layer : layers)
        mLayers.push_back(std::move(layer));
    return Fields();
}

} // namespace orvilane
