#include "editor/platform/ProcessMemory.h"

#include <cstdio>

#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace orvilaneeditor
{

uint64_t ReadResidentBytes(const char* statmPath, uint64_t pageSize)
{
    std::FILE* file = std::fopen(statmPath, "r");
    if (file == nullptr)
        return 0;
    unsigned long long totalPages = 0;
    unsigned long long residentPages = 0;
    const int read = std::fscanf(file, "%llu %llu", &totalPages, &residentPages);
    std::fclose(file);
    if (read != 2)
        return 0;
    return static_cast<uint64_t>(residentPages) * pageSize;
}

uint64_t ResidentMemoryBytes()
{
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return 0;
    return ReadResidentBytes("/proc/self/statm", static_cast<uint64_t>(pageSize));
}

void ConfigureAllocator()
{
#if defined(__GLIBC__)
    // Setting the threshold also stops glibc adjusting it (and the trim
    // threshold) after each free.
    (void)mallopt(M_MMAP_THRESHOLD, static_cast<int>(kDirectMapBytes));
#endif
}

void ReleaseFreeMemory()
{
#if defined(__GLIBC__)
    (void)malloc_trim(0);
#endif
}

} // namespace orvilaneeditor
