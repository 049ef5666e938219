#pragma once

#include <functional>

#include <sys/resource.h>

namespace orvilane::test
{

// Runs action with the soft limit of resource lowered to value, then restores
// it; SIGXFSZ is ignored meanwhile. RLIMIT_FSIZE makes writes to files past the
// limit fail with EFBIG (a full disk or a spent quota); RLIMIT_NOFILE 0 makes
// every open fail. Neither is lifted by running as the superuser.
bool WithResourceLimit(int resource, rlim_t value, const std::function<bool()>& action);

} // namespace orvilane::test
