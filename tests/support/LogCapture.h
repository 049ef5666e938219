#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/base/Log.h"

namespace orvilane::test
{

// Collects the log lines written while it is alive. One process-wide listener
// forwards to the innermost live capture.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines() const;
    // The lines without their "[hh:mm:ss] " time stamps.
    std::vector<std::string> Texts() const;
    // Number of lines containing text.
    size_t Count(const std::string& text) const;
    size_t Errors() const { return Count("ERROR: "); }
    size_t Warnings() const { return Count("Warning: "); }

private:
    static void Forward(const std::string& line);
    mutable std::mutex mMutex;
    std::vector<std::string> mLines;
    LogCapture* mPrevious = nullptr;
};

} // namespace orvilane::test
