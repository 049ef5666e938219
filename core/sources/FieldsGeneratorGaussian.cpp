#include "core/sources/FieldsGeneratorGaussian.h"

#include <cmath>

#include "core/base/Log.h"

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

    Fields fields = MakeGrid(*config);
    const unsigned n = static_cast<unsigned>(config->mSamplingPoints);
    for (unsigned i = 0; i < n; ++i)
    {
        const double x = fields.GetX(i);
        for (unsigned j = 0; j < n; ++j)
        {
            const double y = fields.GetY(j);
            const double g = std::exp(-(y * y + x * x) / w2);
            fields.mEx(i, j) = std::complex<double>(g, 0.0);
            fields.mEy(i, j) = std::complex<double>(g, 0.0);
        }
    }
    return fields;
}

} // namespace orvilane
