#pragma once

namespace orvilane
{

// How a ray generator spreads a source's rays over a pass; any other mode
// yields no rays.
constexpr int kRayModeGrid = 0;   // the points of an N x N grid
constexpr int kRayModeRandom = 1; // N x M x N points drawn at random

} // namespace orvilane
