#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include <imgui.h>

namespace orvilaneeditor
{

// The "Log" window: every log line of the program, with a filter, auto-scroll,
// clear and copy. AddLog runs on whichever thread logs (with the logger's mutex
// held); the text and the line offsets are plain standard containers guarded by
// this window's own mutex, taken after the logger's, never before it.
class LogWindow
{
public:
    LogWindow();

    // Appends the line and "\n"; any "\n" inside the line starts a line too.
    void AddLog(const std::string& line);
    // Empties the text: one empty line remains, and the memory the text and
    // its offsets held is given back.
    void Clear();
    void Show(bool* open);

    // Snapshots taken under the mutex.
    std::string Text() const;
    std::vector<size_t> LineOffsets() const;
    // Bytes reserved by the text and the line offsets (their capacities).
    size_t HeldBytes() const;

    ImGuiTextFilter mFilter;
    bool mAutoScroll = true;

private:
    void DrawLines();

    mutable std::mutex mMutex;
    std::string mText;
    // Offset of the first character of each line; starts with 0, and the last
    // entry is the end of the text.
    std::vector<size_t> mLineOffsets;
};

} // namespace orvilaneeditor
