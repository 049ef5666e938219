#include "core/base/Log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <vector>

namespace orvilane
{

namespace
{
struct LogState
{
    std::mutex mutex;
    std::vector<Log::Listener> listeners;
    std::vector<std::string> pending;
    int levelThreshold = -1;
    int64_t lastCheckTime = 0;
    int cachedSize = 0;
};

LogState& State()
{
    static LogState state;
    return state;
}

// Built before main, like the rest of the logger's globals.
const LogState& gBuiltEarly = State();

thread_local uint64_t tErrors = 0;

// Lines beyond this many are appended to the file at once, so a long session
// does not hold its whole log in memory.
constexpr size_t kMaxPendingLines = 4096;

void AppendToFile(std::vector<std::string>& pending)
{
    std::ofstream file(Log::kLogFileName, std::ios::app);
    if (file)
    {
        for (const std::string& line : pending)
            file << line << '\n';
    }
    pending.clear();
}
} // namespace

std::string Log::Format(const char* prefix, const char* format, va_list args)
{
    char buffer[kMessageBufferSize];
    int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
    if (n < 0)
        buffer[0] = '\0'; // encoding error: an empty message rather than garbage
    return std::string(prefix) + buffer; // vsnprintf cuts at 1023 characters
}

bool Log::Writes(int level)
{
    const int threshold = State().levelThreshold;
    return threshold == -1 || level < threshold;
}

void Log::Info(int level, const char* format, ...)
{
    if (!Writes(level))
        return;
    va_list args;
    va_start(args, format);
    std::string text = Format("", format, args);
    va_end(args);
    Write(text);
}

void Log::Warning(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = Format("Warning: ", format, args);
    va_end(args);
    Write(text);
}

void Log::Error(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = Format("ERROR: ", format, args);
    va_end(args);
    WriteError(text);
}

void Log::WriteError(const std::string& text)
{
    ++tErrors;
    Write(text);
}

uint64_t Log::ThreadErrors()
{
    return tErrors;
}

void Log::CreditThreadErrors(uint64_t count)
{
    tErrors += count;
}

void Log::Write(const std::string& text)
{
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    const std::string line = TimeStamp() + text;
    std::cout << line << std::endl;
    state.pending.push_back(line);
    if (state.pending.size() >= kMaxPendingLines)
        AppendToFile(state.pending);
    for (const Listener& listener : state.listeners)
        listener(line);
}

std::string Log::TimeStamp()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "[%02d:%02d:%02d] ", local.tm_hour, local.tm_min, local.tm_sec);
    return buffer;
}

bool Log::AddListener(const Listener& listener)
{
    if (!listener)
    {
        Error("An empty log listener was not added");
        return false;
    }
    // Under the logger's mutex: another thread may be writing a line.
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.listeners.push_back(listener);
    return true;
}

void Log::FlushToFile()
{
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.pending.empty())
        AppendToFile(state.pending);
}

int Log::GetLogFileSize(int maxAgeSeconds)
{
    LogState& state = State();
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (now - state.lastCheckTime <= static_cast<int64_t>(maxAgeSeconds))
        return state.cachedSize;
    state.lastCheckTime = now;
    state.cachedSize = QueryFileSize(kLogFileName);
    return state.cachedSize;
}

int QueryFileSize(const char* path)
{
    if (path == nullptr)
        return -1;
    std::error_code error;
    const std::filesystem::path p(path);
    if (!std::filesystem::is_regular_file(p, error))
        return -1;
    // The file must be readable, as with a shared-read open.
    std::ifstream probe(p, std::ios::binary);
    if (!probe)
        return -1;
    const std::uintmax_t size = std::filesystem::file_size(p, error);
    if (error)
        return -1;
    const std::uintmax_t kib = size / 1024;
    return kib > static_cast<std::uintmax_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(kib);
}

} // namespace orvilane
