#include "core/sources/FieldsGeneratorPlanewave.h"

#include <algorithm>
#include <cmath>

#include "core/base/Log.h"
#include "core/base/MathConstants.h"
#include "core/geometry/Vectors.h"

namespace orvilane
{

namespace
{
constexpr const char* kName = "Planewave field generator";

bool IsFinite(const std::complex<double>& z)
{
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

} // namespace

FieldsGeneratorPlanewave::FieldsGeneratorPlanewave()
    : mConfigPlanewave(std::make_shared<ConfigFieldsGeneratorPlanewave>())
{
    mConfig = mConfigPlanewave;
}

float FieldsGeneratorPlanewave::GetExtent() const
{
    return static_cast<float>(mConfigPlanewave->mRadius * 2.5);
}

Fields FieldsGeneratorPlanewave::GenerateFields(std::shared_ptr<ConfigSource> config) const
{
    if (!CheckSourceSettings(config.get(), kName))
        return Fields();
    const ConfigSource& c = *config;

    const std::complex<double> ax = c.mAmplitudeEx;
    const std::complex<double> ay = c.mAmplitudeEy;
    if (!IsFinite(ax) || !IsFinite(ay))
    {
        Log::Error("%s: 'Amplitud Ex' (%g, %g) and 'Amplitud Ey' (%g, %g) must be finite. No field generated.", kName,
                   ax.real(), ax.imag(), ay.real(), ay.imag());
        return Fields();
    }
    if (!c.mDirection.is_finite())
    {
        Log::Error("%s: 'Direction' (mDirection) is (%g, %g, %g); it must be finite. No field generated.", kName,
                   c.mDirection[0], c.mDirection[1], c.mDirection[2]);
        return Fields();
    }
    const double radius = mConfigPlanewave->mRadius;
    const double smoothing = mConfigPlanewave->mSmoothingDistance;
    if (std::isnan(radius) || std::isnan(smoothing))
    {
        Log::Error("%s: 'Radius' (%g) and 'Smoothing Distance' (%g) must be numbers. No field generated.", kName,
                   radius, smoothing);
        return Fields();
    }

    Fields fields = MakeGrid(c);
    const arma::vec3 u = Normalised(c.mDirection);
    const double lambda = c.mWavelenght;
    const double kr = kTwoPi * c.mRefractiveIndex.real() / lambda;
    const double ki = kTwoPi * c.mRefractiveIndex.imag() / lambda;
    const double s = radius * smoothing;
    const double inner2 = radius * radius;
    const double outer2 = (radius + s) * (radius + s);

    const unsigned n = static_cast<unsigned>(c.mSamplingPoints);
    for (unsigned i = 0; i < n; ++i)
    {
        const double x = fields.GetX(i);
        for (unsigned j = 0; j < n; ++j)
        {
            const double y = fields.GetY(j);
            const double r2 = y * y + x * x;
            if (!(inner2 > r2) && !(outer2 > r2))
                continue; // outside the disc and its edge: stays 0
            const double phaseRe = (kr * u[1]) * y + (kr * u[0]) * x;
            const double phaseIm = (ki * u[1]) * y + (ki * u[0]) * x;
            const std::complex<double> e = std::exp(std::complex<double>(-phaseIm, phaseRe)); // exp(i * phase)
            if (inner2 > r2)
            {
                fields.mEx(i, j) = ax * e;
                fields.mEy(i, j) = ay * e;
            }
            else
            {
                // Soft edge: the weight falls from 1 at rho = R to 0 at rho = R + s.
                const double rho = std::sqrt(r2);
                const double a = std::cos((rho - radius) * kHalfPi / s);
                fields.mEx(i, j) = ax * (a * e);
                fields.mEy(i, j) = ay * (a * e);
            }
        }
    }

    if (!CheckFinite(fields, kName))
        return Fields();
    return fields;
}

} // namespace orvilane
