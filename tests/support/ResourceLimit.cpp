#include "tests/support/ResourceLimit.h"

#include <csignal>

namespace orvilane::test
{

bool WithResourceLimit(int resource, rlim_t value, const std::function<bool()>& action)
{
    rlimit saved = {};
    getrlimit(resource, &saved);
    void (*handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = value;
    setrlimit(resource, &limited);
    const bool result = action();
    setrlimit(resource, &saved);
    std::signal(SIGXFSZ, handler);
    return result;
}

} // namespace orvilane::test
