#pragma once

#include <cstddef>
#include <cstdint>

namespace orvilaneeditor
{

// Resident set size of this process in bytes, from /proc/self/statm; 0 when it
// cannot be read.
uint64_t ResidentMemoryBytes();

// Resident size in bytes from a statm-format file (pages: total, resident,
// ...), times the page size; 0 when the file is missing or malformed.
uint64_t ReadResidentBytes(const char* statmPath, uint64_t pageSize);

// Blocks of at least this many bytes are mapped from the system one by one
// and unmapped when freed: field grids of 256 x 256 samples and more.
constexpr size_t kDirectMapBytes = size_t{1} << 20;

// Called first in main (and in the test and benchmark programs): fixes the C
// allocator's direct-mapping threshold at kDirectMapBytes. glibc otherwise
// raises it to the size of every mapped block freed, after which grids come
// from its heaps and stay resident after a run. No-op off glibc.
void ConfigureAllocator();

// Gives the free pages of every allocator arena (the worker threads' too)
// back to the system: after a run is joined and after New. No-op off glibc.
void ReleaseFreeMemory();

} // namespace orvilaneeditor
