#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>

namespace orvilane
{

#if defined(__GNUC__)
#define ORVILANE_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))
#else
#define ORVILANE_PRINTF(fmtIndex, argIndex)
#endif

// Process-wide logger. Every line is "[hh:mm:ss] " + prefix + text and goes to
// standard output and to every listener, under one non-recursive mutex.
// Listeners run on the logging thread with that mutex held: they must not log.
class Log
{
public:
    using Listener = std::function<void(const std::string&)>;

    static void Info(int level, const char* format, ...) ORVILANE_PRINTF(2, 3);
    // Whether Info lines of this level are written: costly figures for a line
    // are computed only when it is.
    static bool Writes(int level);
    static void Warning(const char* format, ...) ORVILANE_PRINTF(1, 2);
    static void Error(const char* format, ...) ORVILANE_PRINTF(1, 2);
    static void Write(const std::string& text);
    // Write for a line that begins with "ERROR: ", counted as an error of the
    // calling thread. Every error line goes through here.
    static void WriteError(const std::string& text);
    // Error lines the calling thread has logged so far (with those credited to
    // it). A run reads it at its start and end on its own thread: the
    // difference is what it logged, whatever else logs meanwhile.
    static uint64_t ThreadErrors();
    // Credits the calling thread with errors a helper logged for its work.
    static void CreditThreadErrors(uint64_t count);
    // prefix + the printf-formatted text, cut to kMessageBufferSize - 1 characters.
    static std::string Format(const char* prefix, const char* format, va_list args);
    static std::string TimeStamp();

    // Not thread-safe: call during start-up, before a second thread logs.
    // An empty listener is refused (returns false).
    static bool AddListener(const Listener& listener);
    // Appends the queued lines to "log.txt". Call only while no other thread logs.
    static void FlushToFile();
    // Size of "log.txt" in KiB (-1 when unreadable), re-queried at most every maxAgeSeconds.
    static int GetLogFileSize(int maxAgeSeconds);

    static constexpr const char* kLogFileName = "log.txt";
    static constexpr size_t kMessageBufferSize = 1024;
};

// Size of a file in whole KiB, or -1 when it cannot be opened or sized.
int QueryFileSize(const char* path);

} // namespace orvilane
