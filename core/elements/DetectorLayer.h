#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace orvilane
{

// One named result image of a detector: mNx x mNy float samples over a screen
// mSizeX x mSizeY metres. Writers keep mMin and mMax up to date.
// Sample order: the "Raytracing" layer stores column c (x), row r (y) at
// mNx * r + c; the field layers store x index i, y index j at i * mNy + j.
class DetectorLayer
{
public:
    DetectorLayer(const std::string& name, uint64_t nx, uint64_t ny, double sizeX, double sizeY);

    // Stores value at index and widens the min/max range to include it.
    void Store(size_t index, float value);
    // Widens the min/max range as storing low and then high would (NaN never counts).
    void Widen(float low, float high);

    float mMin = std::numeric_limits<float>::max();
    float mMax = -std::numeric_limits<float>::max();
    std::string mName = "Unknown";
    uint64_t mNx = 0;
    uint64_t mNy = 0;
    double mSizeX = 0.0; // metres
    double mSizeY = 0.0;
    double mPitchX = 0.0; // mSizeX / mNx
    double mPitchY = 0.0; // mSizeY / mNy
    std::vector<float> mData;
};

} // namespace orvilane
