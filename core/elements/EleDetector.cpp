#include "core/elements/EleDetector.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/elements/ElementsFactory.h"
#include "core/base/Log.h"
#include "core/base/ParallelFor.h"
#include "core/fields/FieldOps.h"
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

bool EleDetector::GetScreen(double& sizeX, double& sizeY, uint64_t& nx, uint64_t& ny, RunLog* record) const
{
    const ConfigSurfaceFlat* surface = nullptr;
    if (!mSurfaces.empty() && mSurfaces[0])
        surface = dynamic_cast<const ConfigSurfaceFlat*>(mSurfaces[0]->mConfig.get());
    if (surface == nullptr)
    {
        RunLog::Error(record, RunLogOwner(),
                      "Detector ID:%u. The detector has no rectangular screen; nothing is recorded", mId);
        return false;
    }
    const long long rx = mConfigDetector->Resolution[0];
    const long long ry = mConfigDetector->Resolution[1];
    if (rx < 1 || ry < 1 || rx > kMaxPixelsPerSide || ry > kMaxPixelsPerSide)
    {
        RunLog::Error(record, RunLogOwner(),
                      "Detector ID:%u. Number of Pixels (%lld x %lld) must be between 1 and %lld on each side; "
                      "nothing is recorded",
                      mId, rx, ry, kMaxPixelsPerSide);
        return false;
    }
    sizeX = surface->mSize[0];
    sizeY = surface->mSize[1];
    if (!(sizeX > 0.0) || !(sizeY > 0.0) || !std::isfinite(sizeX) || !std::isfinite(sizeY))
    {
        RunLog::Error(record, RunLogOwner(),
                      "Detector ID:%u. Screen size (%g x %g) must be positive and finite; nothing is recorded", mId,
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
        if (GetScreen(sizeX, sizeY, nx, ny, mRunLog))
        {
            try
            {
                mLayers.emplace_back(kRaytracingLayer, nx, ny, sizeX, sizeY);
                layer = mLayers.end() - 1;
            }
            catch (const std::bad_alloc&)
            {
                RunLog::Error(mRunLog, RunLogOwner(),
                              "Detector ID:%u. Not enough memory for %llu x %llu pixels; nothing is recorded", mId,
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
            RunLog::Warning(mRunLog, RunLogOwner(),
                            "Detector: something went wrong, this should never happen, hit outside of screen");
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
    return ProcessOwnedFields(Fields(input));
}

Fields EleDetector::ProcessOwnedFields(Fields&& input)
{
    // The pixels sample x-space; a k-space field is brought back once, and that
    // grid is what is kept as the output.
    const bool fromKSpace = input.mDomain == FieldDomain::KSpace;
    const Fields g = TakeInputInXSpace(std::move(input));
    if (fromKSpace && mSaveOutputFields)
        mOutputFields = g;

    double sizeX = 0.0, sizeY = 0.0;
    uint64_t nx = 0, ny = 0;
    // Reached once per field run: its errors go straight to the log.
    if (!GetScreen(sizeX, sizeY, nx, ny, nullptr))
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

    // Pixel corners stepped as a sum of pitches, as one loop would step them.
    std::vector<double> xs(nx), ys(ny);
    double x = mWorldPosition.x - sizeX * 0.5;
    for (uint64_t i = 0; i < nx; ++i, x += layers[0].mPitchX)
        xs[i] = x;
    double y = mWorldPosition.y - sizeY * 0.5;
    for (uint64_t j = 0; j < ny; ++j, y += layers[0].mPitchY)
        ys[j] = y;
    // Pixel rows (x) shared out among the grid's threads, one range each. In a
    // range x is the inner loop, so neighbouring pixels read neighbouring
    // samples of one grid column (its memory order). Each range then finds its
    // layers' extremes in pixel order, and the ranges are joined in order: the
    // same extremes as storing pixel by pixel.
    const unsigned threads = PassThreads(g);
    const size_t parts = static_cast<size_t>(std::min<uint64_t>(std::max(threads, 1u), nx));
    const std::pair<float, float> none(std::numeric_limits<float>::max(), -std::numeric_limits<float>::max());
    std::vector<std::pair<float, float>> extremes(parts * layers.size(), none);
    ParallelFor(parts, threads, [&](size_t from, size_t to) {
        for (size_t part = from; part < to; ++part)
        {
            const uint64_t first = nx * part / parts;
            const uint64_t end = nx * (part + 1) / parts;
            for (uint64_t j = 0; j < ny; ++j)
                for (uint64_t i = first; i < end; ++i)
                {
                    const std::complex<double> ex = g.InterpolateEx(xs[i], ys[j]);
                    const std::complex<double> ey = g.InterpolateEy(xs[i], ys[j]);
                    const size_t k = static_cast<size_t>(i * ny + j);
                    layers[0].mData[k] = ToFloat(ex.real());
                    layers[1].mData[k] = ToFloat(ex.imag());
                    layers[2].mData[k] = ToFloat(std::hypot(ex.real(), ex.imag()));
                    layers[3].mData[k] = ToFloat(std::atan2(ex.imag(), ex.real()));
                    layers[4].mData[k] = ToFloat(ey.real());
                    layers[5].mData[k] = ToFloat(ey.imag());
                    layers[6].mData[k] = ToFloat(std::hypot(ey.real(), ey.imag()));
                    layers[7].mData[k] = ToFloat(std::atan2(ey.imag(), ey.real()));
                }
            for (size_t l = 0; l < layers.size(); ++l)
            {
                auto& [low, high] = extremes[part * layers.size() + l];
                const std::vector<float>& data = layers[l].mData;
                for (size_t k = static_cast<size_t>(first * ny); k < static_cast<size_t>(end * ny); ++k)
                {
                    low = data[k] < low ? data[k] : low;
                    high = data[k] > high ? data[k] : high;
                }
            }
        }
    });
    for (size_t part = 0; part < parts; ++part)
        for (size_t l = 0; l < layers.size(); ++l)
            layers[l].Widen(extremes[part * layers.size() + l].first, extremes[part * layers.size() + l].second);

    for (DetectorLayer& layer : layers)
        mLayers.push_back(std::move(layer));
    return Fields();
}

} // namespace orvilane
