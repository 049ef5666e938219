#pragma once

#include <cstddef>
#include <functional>

namespace orvilane
{

// Calls work(begin, end) on consecutive ranges that together cover [0, count),
// one range per thread, on up to `threads` threads (the calling one among them),
// and returns when every range is done. The ranges are fixed by count and
// threads alone. work must not throw; one thread, or a count below two, runs
// everything on the calling thread.
void ParallelFor(size_t count, unsigned threads, const std::function<void(size_t, size_t)>& work);

} // namespace orvilane
