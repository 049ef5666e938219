#include "core/sources/FieldsGeneratorGaussian.h"

#include <cmath>

#include "core/base/Log.h"
#include "core/fields/FieldOps.h"

namespace orvilane
{

namespace
{
constexpr const char* kName = "Gaussian field generator";
}

FieldsGeneratorGaussian::FieldsGeneratorGaussian() : mConfigGaussian(std::make_shared<ConfigFieldsGeneratorGaussian>())
{
    mConfig = mConfigGaussian;
}

float FieldsGeneratorGaussian::GetExtent() const
{
    return static_cast<float>(mConfigGaussian->mWaist * 5.0);
}

Fields FieldsGeneratorGaussian::GenerateFields(std::shared_ptr<ConfigSource> config) const
{
    if (!CheckSourceSettings(config.get(), kName))
        return Fields();

    const double w = mConfigGaussian->mWaist;
    const double w2 = w * w;
    // A square that underflows to 0 would make the centre sample 0 / 0.
    if (!(w > 0.0) || !(w2 > 0.0))
    {
        Log::Error("%s: 'Waist' (mWaist) is %g; it must be positive and its square must not underflow. "
                   "No field generated.",
                   kName, w);
        return Fields();
    }

    Fields fields = MakeUnsetGrid(*config);
    // exp(-r^2 / w^2) depends on x^2 + y^2 only: one exponential per mirrored set.
    std::complex<double>* ex = fields.mEx.memptr();
    std::complex<double>* ey = fields.mEy.memptr();
    ForEachMirroredSample(
        fields, [w2](double x2, double y2) { return std::exp(-(y2 + x2) / w2); },
        [ex, ey](arma::uword k, double g) {
            ex[k] = std::complex<double>(g, 0.0);
            ey[k] = std::complex<double>(g, 0.0);
        });
    return fields;
}

} // namespace orvilane
