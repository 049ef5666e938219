#include "core/sources/ConfigSource.h"

namespace orvilane
{

void ConfigSource::Validate()
{
    if (mSamplingPoints < 3)
        mSamplingPoints = 3;
    else if (mSamplingPoints % 2 == 0)
        mSamplingPoints += 1;
    if (mWavelenght < 0.0)
        mWavelenght = 0.0;
}

} // namespace orvilane
