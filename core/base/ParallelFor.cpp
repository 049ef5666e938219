#include "core/base/ParallelFor.h"

#include <algorithm>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace orvilane
{

void ParallelFor(size_t count, unsigned threads, const std::function<void(size_t, size_t)>& work)
{
    const size_t parts = std::min<size_t>(threads == 0 ? 1 : threads, count);
    if (parts <= 1)
    {
        if (count > 0)
            work(0, count);
        return;
    }
    std::vector<std::thread> helpers;
    helpers.reserve(parts - 1);
    size_t ownBegin = 0;
    size_t ownEnd = count;
    for (size_t k = 0; k < parts; ++k)
    {
        const size_t begin = count * k / parts;
        const size_t end = count * (k + 1) / parts;
        if (k + 1 == parts)
        {
            ownBegin = begin;
            ownEnd = end;
            break;
        }
        try
        {
            helpers.emplace_back(std::cref(work), begin, end);
        }
        catch (const std::system_error&)
        {
            work(begin, end); // no thread to be had: this range here
        }
    }
    work(ownBegin, ownEnd);
    for (std::thread& helper : helpers)
        helper.join();
}

} // namespace orvilane
