#include "core/base/RunLog.h"

#include <utility>

namespace orvilane
{

namespace
{
void Write(const std::string& text, bool error)
{
    if (error)
        Log::WriteError(text);
    else
        Log::Write(text);
}
} // namespace

void RunLog::NextRay()
{
    std::lock_guard<std::mutex> lock(mMutex);
    ++mRay;
}

void RunLog::Error(RunLog* record, const void* owner, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Report(record, owner, Log::Format("ERROR: ", format, args), true);
    va_end(args);
}

void RunLog::Warning(RunLog* record, const void* owner, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Report(record, owner, Log::Format("Warning: ", format, args), false);
    va_end(args);
}

void RunLog::Report(RunLog* record, const void* owner, std::string text, bool error)
{
    if (record != nullptr)
    {
        std::lock_guard<std::mutex> lock(record->mMutex);
        for (Entry& entry : record->mEntries)
        {
            if (entry.owner != owner || entry.text != text)
                continue;
            if (entry.lastRay != record->mRay)
            {
                entry.lastRay = record->mRay;
                ++entry.rays;
            }
            return;
        }
        record->mEntries.push_back(Entry{owner, text, error, record->mRay, 1});
    }
    Write(text, error);
}

void RunLog::Finish()
{
    std::vector<Entry> entries;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        entries.swap(mEntries);
        mRay = 0;
    }
    for (const Entry& entry : entries)
    {
        if (entry.rays > 1)
            Write(entry.text + " (repeated for " + std::to_string(entry.rays) + " rays)", entry.error);
    }
}

} // namespace orvilane
