#pragma once

#include <cstddef>
#include <functional>

namespace orvilane
{

// Calls work(begin, end) on consecutive ranges that together cover [0, count),
// one range per thread, on up to `threads` threads (the calling one and helper
// threads that wait between calls), and returns when every range is done. The
// ranges are fixed by count and threads alone. work must not throw; one thread,
// or a count below two, runs everything on the calling thread, and so does a
// call made while another is in progress (the ranges one after the other).
// Error lines work logs on a helper count as the calling thread's. The
// helpers do not survive fork(): a forked child must use one thread.
void ParallelFor(size_t count, unsigned threads, const std::function<void(size_t, size_t)>& work);

} // namespace orvilane
