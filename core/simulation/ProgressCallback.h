#pragma once

#include <functional>

namespace orvilane
{

// Progress of a run: fraction done (0 to 1) and whether the run has finished.
using ProgressCallback = std::function<void(float, bool)>;

} // namespace orvilane
