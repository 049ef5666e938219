#include "core/sources/FieldsGeneratorGaussian.h"

#include <cmath>
#include <complex>
#include <vector>

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
    // exp(-r^2 / w^2) = exp(-x^2 / w^2) * exp(-y^2 / w^2): one exponential per
    // row and per column, a product per sample.
    const arma::uword rows = fields.mEx.n_rows;
    const arma::uword cols = fields.mEx.n_cols;
    std::vector<double> gx(rows), gy(cols);
    for (arma::uword i = 0; i < rows; ++i)
    {
        const double x = fields.GetX(static_cast<unsigned>(i));
        gx[i] = std::exp(-(x * x) / w2);
    }
    for (arma::uword j = 0; j < cols; ++j)
    {
        const double y = fields.GetY(static_cast<unsigned>(j));
        gy[j] = std::exp(-(y * y) / w2);
    }
    ParallelFor(cols, PassThreads(fields), [&](size_t from, size_t to) {
        for (arma::uword j = from; j < to; ++j)
        {
            std::complex<double>* ex = fields.mEx.colptr(j);
            std::complex<double>* ey = fields.mEy.colptr(j);
            for (arma::uword i = 0; i < rows; ++i)
                ex[i] = ey[i] = std::complex<double>(gx[i] * gy[j], 0.0);
        }
    });
    return fields;
}

} // namespace orvilane
