#include "tests/support/LogCapture.h"

#include <atomic>

namespace orvilane::test
{

namespace
{
std::atomic<LogCapture*> gActive{nullptr};
std::once_flag gRegistered;
} // namespace

LogCapture::LogCapture()
{
    std::call_once(gRegistered, [] { Log::AddListener(&LogCapture::Forward); });
    mPrevious = gActive.exchange(this);
}

LogCapture::~LogCapture()
{
    gActive.store(mPrevious);
}

void LogCapture::Forward(const std::string& line)
{
    LogCapture* capture = gActive.load();
    if (capture == nullptr)
        return;
    std::lock_guard<std::mutex> lock(capture->mMutex);
    capture->mLines.push_back(line);
}

std::vector<std::string> LogCapture::Lines() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mLines;
}

std::vector<std::string> LogCapture::Texts() const
{
    std::vector<std::string> texts = Lines();
    for (std::string& text : texts)
        text.erase(0, Log::TimeStamp().size());
    return texts;
}

size_t LogCapture::Count(const std::string& text) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    size_t n = 0;
    for (const std::string& line : mLines)
        n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
}

} // namespace orvilane::test
