#include "core/elements/DetectorLayer.h"

namespace orvilane
{

DetectorLayer::DetectorLayer(const std::string& name, uint64_t nx, uint64_t ny, double sizeX, double sizeY)
    : mName(name), mNx(nx), mNy(ny), mSizeX(sizeX), mSizeY(sizeY),
      mPitchX(sizeX / static_cast<double>(nx)), mPitchY(sizeY / static_cast<double>(ny)),
      mData(static_cast<size_t>(nx * ny), 0.0f)
{
}

void DetectorLayer::Store(size_t index, float value)
{
    mData[index] = value;
    Widen(value, value);
}

void DetectorLayer::Widen(float low, float high)
{
    if (low < mMin)
        mMin = low;
    if (high > mMax)
        mMax = high;
}

} // namespace orvilane
