#pragma once

namespace orvilane
{

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2.0 * kPi;  // exact: a power-of-two multiple
constexpr double kHalfPi = 0.5 * kPi; // exact
constexpr double kDegToRad = kPi / 180.0;

// Single-precision copies, rounded once from the doubles.
constexpr float kPiF = static_cast<float>(kPi);
constexpr float kDegToRadF = static_cast<float>(kDegToRad);

} // namespace orvilane
