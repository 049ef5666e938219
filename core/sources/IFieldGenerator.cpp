#include "core/sources/IFieldGenerator.h"

#include <cmath>

#include "core/base/Log.h"
#include "core/fields/FieldOps.h"

namespace orvilane
{

bool IFieldGenerator::CheckSourceSettings(const ConfigSource* config, const char* name)
{
    if (config == nullptr)
    {
        Log::Error("%s: no source settings given. No field generated.", name);
        return false;
    }

    const int n = config->mSamplingPoints;
    if (n < 3 || n % 2 == 0)
    {
        Log::Error("%s: 'Sampling Points' (mSamplingPoints) is %d; it must be odd and at least 3. "
                   "No field generated.",
                   name, n);
        return false;
    }
    // Decided before any allocation: two complex matrices of n x n samples.
    const unsigned long long count = static_cast<unsigned long long>(n) * static_cast<unsigned long long>(n);
    const unsigned long long bytesPerSample = 2ull * sizeof(std::complex<double>);
    if (count > kMaxGridBytes / bytesPerSample)
    {
        Log::Error("%s: 'Sampling Points' (mSamplingPoints) is %d; a grid of %d x %d samples needs more than "
                   "%llu bytes. No field generated.",
                   name, n, n, n, kMaxGridBytes);
        return false;
    }

    const double window = config->mSamplingWindowSize;
    const double step = window / (n - 1.0);
    if (!std::isfinite(window) || !(window > 0.0) || !std::isfinite(step) || !(step > 0.0))
    {
        Log::Error("%s: 'Sampling Window' (mSamplingWindowSize) is %g; it must be a positive finite number. "
                   "No field generated.",
                   name, window);
        return false;
    }

    const double wavelength = config->mWavelenght;
    if (!std::isfinite(wavelength) || !(wavelength > 0.0))
    {
        Log::Error("%s: 'Wavelength' (mWavelenght) is %g; it must be a positive finite number. "
                   "No field generated.",
                   name, wavelength);
        return false;
    }

    const std::complex<double> index = config->mRefractiveIndex;
    if (!std::isfinite(index.real()) || !std::isfinite(index.imag()))
    {
        Log::Error("%s: 'Refraction Index' (mRefractiveIndex) is (%g, %g); it must be finite. "
                   "No field generated.",
                   name, index.real(), index.imag());
        return false;
    }
    return true;
}

Fields IFieldGenerator::MakeGrid(const ConfigSource& config)
{
    Fields fields = MakeUnsetGrid(config);
    fields.mEx.zeros();
    fields.mEy.zeros();
    return fields;
}

Fields IFieldGenerator::MakeUnsetGrid(const ConfigSource& config)
{
    const int n = config.mSamplingPoints;
    const double step = config.mSamplingWindowSize / (n - 1.0);
    Fields fields(0, step, step);
    const arma::uword side = n > 0 ? static_cast<arma::uword>(n) : 0;
    fields.mEx.set_size(side, side);
    fields.mEy.set_size(side, side);
    AdviseHugePages(fields.mEx);
    AdviseHugePages(fields.mEy);
    fields.mDomain = FieldDomain::XSpace;
    fields.mWavelength = config.mWavelenght;
    fields.mRefractiveIndex = config.mRefractiveIndex;
    return fields;
}

bool IFieldGenerator::CheckFinite(const Fields& fields, const char* name)
{
    if (fields.mEx.is_finite() && fields.mEy.is_finite())
        return true;
    Log::Error("%s: the settings give a field that is not finite (check the refraction index, the amplitudes "
               "and the direction). No field generated.",
               name);
    return false;
}

} // namespace orvilane
