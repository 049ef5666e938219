#pragma once

#include <cstdint>

namespace orvilaneeditor
{

// Resident set size of this process in bytes, from /proc/self/statm; 0 when it
// cannot be read.
uint64_t ResidentMemoryBytes();

// Resident size in bytes from a statm-format file (pages: total, resident,
// ...), times the page size; 0 when the file is missing or malformed.
uint64_t ReadResidentBytes(const char* statmPath, uint64_t pageSize);

} // namespace orvilaneeditor
