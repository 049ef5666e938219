#include "core/sources/RayGeneratorBeam.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "core/base/Log.h"
#include "core/geometry/Vectors.h"
#include "core/sources/Source.h"

namespace orvilane
{

namespace
{
// Rejected draws in a row after which a random pass gives up. A disc of positive
// radius accepts about 3 draws in 4, so only an unusable radius gets near this.
constexpr int kMaxRejectedDraws = 1 << 20;

thread_local uint32_t tRandomState = 1u;

// a * b * c computed wide and saturated to the int range.
int SaturatedProduct(int a, int b, int c)
{
    const long long ab = static_cast<long long>(a) * static_cast<long long>(b); // |ab| <= 2^62
    long long abc = 0;
    if (__builtin_mul_overflow(ab, static_cast<long long>(c), &abc))
        abc = ((ab < 0) != (c < 0)) ? LLONG_MIN : LLONG_MAX;
    return static_cast<int>(std::clamp<long long>(abc, INT_MIN, INT_MAX));
}

// The settings' direction in a form the ray can normalise, or nothing when it has
// no direction (zero or not finite). Directions whose squared length underflows
// or overflows are rescaled by their largest component.
std::optional<glm::dvec3> UsableDirection(const arma::vec3& d)
{
    const glm::dvec3 direction = ToGlm(d);
    if (!std::isfinite(direction.x) || !std::isfinite(direction.y) || !std::isfinite(direction.z))
        return std::nullopt;
    const double largest = std::max({std::abs(direction.x), std::abs(direction.y), std::abs(direction.z)});
    if (largest == 0.0)
        return std::nullopt;
    const double squared = (direction.x * direction.x + direction.y * direction.y) + direction.z * direction.z;
    if (squared > 0.0 && std::isfinite(squared))
        return direction;
    return direction / largest;
}
} // namespace

int NextRandomInt15()
{
    tRandomState = tRandomState * 214013u + 2531011u;
    return static_cast<int>((tRandomState >> 16) & 0x7FFFu);
}

RayGeneratorBeam::RayGeneratorBeam(Source* source)
    : mSource(source), mConfigBeam(std::make_shared<ConfigRayGeneratorBeam>())
{
    mRayCounter = 0;
    mConfig = mConfigBeam;
}

int RayGeneratorBeam::GetNumberOfRays(int mode) const
{
    if (mode != kRayModeGrid && mode != kRayModeRandom)
        return 0;
    const int n = mConfigBeam->mNumberRaysPerSide;
    return SaturatedProduct(n, mConfigBeam->mNumberRayMultiplierForRandom, n);
}

float RayGeneratorBeam::GetExtent() const
{
    return static_cast<float>(mConfigBeam->mRadius * 2.1);
}

std::optional<Ray> RayGeneratorBeam::GetNextRay(const std::shared_ptr<ConfigSource>& sourceConfig, int mode)
{
    if (mode != kRayModeGrid && mode != kRayModeRandom)
        return std::nullopt;
    if (!sourceConfig)
    {
        Log::Error("Ray generator: no source settings given. No rays emitted.");
        return std::nullopt;
    }
    if (mSource == nullptr)
    {
        Log::Error("Ray generator: not bound to a source. No rays emitted.");
        return std::nullopt;
    }
    // Only the kernel's reset touches the counter; a negative one would make k / N overflow.
    if (mRayCounter < 0)
        mRayCounter = 0;
    const int n = mConfigBeam->mNumberRaysPerSide;
    const int total = mode == kRayModeGrid ? SaturatedProduct(n, n, 1) : GetNumberOfRays(mode);
    if (mRayCounter == 0 && total > kMaxRaysPerPass)
    {
        Log::Error("Ray generator: %d rays requested in one pass ('Number Rays per Side' %d); at most %d can be "
                   "traced. No rays emitted.",
                   total, n, kMaxRaysPerPass);
        mRayCounter = total;
        return std::nullopt;
    }
    return mode == kRayModeGrid ? GridStep(*sourceConfig) : RandomStep(*sourceConfig);
}

std::optional<glm::dvec3> RayGeneratorBeam::PassDirection(const ConfigSource& config, int total)
{
    std::optional<glm::dvec3> direction = UsableDirection(config.mDirection);
    if (!direction)
    {
        Log::Error("Ray generator: the source 'Direction' (%g, %g, %g) is not a usable direction. No rays emitted.",
                   config.mDirection[0], config.mDirection[1], config.mDirection[2]);
        mRayCounter = total; // ends the pass
    }
    return direction;
}

std::optional<Ray> RayGeneratorBeam::GridStep(const ConfigSource& config)
{
    const int n = mConfigBeam->mNumberRaysPerSide;
    const double radius = mConfigBeam->mRadius;
    const int total = SaturatedProduct(n, n, 1);
    if (mRayCounter >= total)
        return std::nullopt;

    const glm::dvec3 position = mSource->mWorldPosition;
    const glm::dmat4& world = mSource->mWorldMatrix;
    if (n == 1)
    {
        // A single ray from the centre along the source's own optical axis.
        ++mRayCounter;
        return Ray(config.mWavelenght, position, glm::dvec3(world[2]));
    }

    const double radius2 = radius * radius;
    if (!(radius2 > 0.0))
    {
        // No grid point can lie strictly inside the disc (zero, NaN or underflowing radius).
        mRayCounter = total;
        return std::nullopt;
    }
    const std::optional<glm::dvec3> direction = PassDirection(config, total);
    if (!direction)
        return std::nullopt;

    const glm::dvec3 axisX(world[0]);
    const glm::dvec3 axisY(world[1]);
    const double last = n - 1.0;
    while (true)
    {
        const int k = mRayCounter;
        const int row = k / n;
        const int col = k % n;
        mRayCounter = k + 1;
        const double u = 2.0 * (0.5 - col / last) * radius;
        const double v = 2.0 * (0.5 - row / last) * radius;
        if (radius2 > v * v + u * u)
            return Ray(config.mWavelenght, position + u * axisX + v * axisY, *direction);
        if (mRayCounter >= total)
            return std::nullopt;
    }
}

std::optional<Ray> RayGeneratorBeam::RandomStep(const ConfigSource& config)
{
    const int n = mConfigBeam->mNumberRaysPerSide;
    const double radius = mConfigBeam->mRadius;
    const int total = SaturatedProduct(n, mConfigBeam->mNumberRayMultiplierForRandom, n);
    if (mRayCounter >= total)
        return std::nullopt;

    const double radius2 = radius * radius;
    if (!(radius2 > 0.0) || !std::isfinite(radius2))
    {
        // Zero, NaN, underflowing or overflowing squares accept no draw at all.
        Log::Error("Ray generator: 'Radius' (mRadius) is %g; no random start point can be drawn in the disc. "
                   "No rays emitted.",
                   radius);
        mRayCounter = total;
        return std::nullopt;
    }
    const std::optional<glm::dvec3> direction = PassDirection(config, total);
    if (!direction)
        return std::nullopt;

    const glm::dvec3 position = mSource->mWorldPosition;
    const glm::dmat4& world = mSource->mWorldMatrix;
    const glm::dvec3 axisX(world[0]);
    const glm::dvec3 axisY(world[1]);
    for (int attempt = 0; attempt < kMaxRejectedDraws; ++attempt)
    {
        const int r1 = NextRandomInt15();
        const int r2 = NextRandomInt15();
        const double a = 2.0 * radius * (0.5 - r1 * 3.0517578125e-5);
        const double b = 2.0 * radius * (0.5 - r2 * 3.0517578125e-5);
        if (radius2 > b * b + a * a)
        {
            ++mRayCounter;
            return Ray(config.mWavelenght, position + a * axisX + b * axisY, *direction);
        }
    }
    Log::Error("Ray generator: no random start point accepted in the disc of radius %g. No more rays emitted.",
               radius);
    mRayCounter = total;
    return std::nullopt;
}

} // namespace orvilane
