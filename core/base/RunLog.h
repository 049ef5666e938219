#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/Log.h"

namespace orvilane
{

// One run's record of the errors and warnings that would otherwise come once
// per ray. The first report of a message by an owner (an element) is logged at
// once, exactly as Log::Error / Log::Warning would log it; later reports only
// count the rays they concern. Finish then logs that text once more with
// " (repeated for N rays)", N counting the first ray too, for every message
// that concerned more than one ray. A new record, or one after Finish, logs
// afresh. Error lines count as the logging thread's errors (Log::ThreadErrors).
// Thread-safe; the logger is never called with the record's lock held.
class RunLog
{
public:
    RunLog() = default;
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Reports from here on concern the next ray.
    void NextRay();
    // Log::Error / Log::Warning through record, or straight to the logger when
    // record is null (no run going). owner tells apart equal texts of two
    // elements; it is only compared, never followed.
    static void Error(RunLog* record, const void* owner, const char* format, ...) ORVILANE_PRINTF(3, 4);
    static void Warning(RunLog* record, const void* owner, const char* format, ...) ORVILANE_PRINTF(3, 4);
    // Logs the repeat counts in the order the messages first came, then
    // forgets them.
    void Finish();

private:
    struct Entry
    {
        const void* owner;
        std::string text; // with the "ERROR: " or "Warning: " prefix
        bool error;
        uint64_t lastRay; // the ray counted last
        uint64_t rays;
    };

    static void Report(RunLog* record, const void* owner, std::string text, bool error);

    std::mutex mMutex;
    std::vector<Entry> mEntries;
    uint64_t mRay = 0;
};

} // namespace orvilane
