#include "editor/windows/LogWindow.h"

#include "core/base/Log.h"
#include "editor/platform/ProcessMemory.h"
#include "editor/ui/WindowPlacement.h"

namespace orvilaneeditor
{

LogWindow::LogWindow()
{
    Clear();
}

void LogWindow::AddLog(const std::string& line)
{
    std::lock_guard<std::mutex> lock(mMutex);
    const size_t start = mText.size();
    mText += line;
    mText += '\n';
    for (size_t i = start; i < mText.size(); ++i)
    {
        if (mText[i] == '\n')
            mLineOffsets.push_back(i + 1);
    }
}

void LogWindow::Clear()
{
    // clear() keeps the capacity: a swap with fresh containers releases it,
    // after the lock, so a thread that logs meanwhile is not held up.
    std::string text;
    std::vector<size_t> offsets{0};
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mText.swap(text);
        mLineOffsets.swap(offsets);
    }
}

std::string LogWindow::Text() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mText;
}

std::vector<size_t> LogWindow::LineOffsets() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mLineOffsets;
}

size_t LogWindow::HeldBytes() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mText.capacity() + mLineOffsets.capacity() * sizeof(size_t);
}

void LogWindow::Show(bool* open)
{
    PlaceNextWindowOnFirstUse(ImVec2(140, 140), ImVec2(400, 200));
    if (!ImGui::Begin("Log", open, ImGuiWindowFlags_NoCollapse))
    {
        ImGui::End();
        return;
    }

    ImGui::Text("Memory Used: %.2f Mb", static_cast<double>(ResidentMemoryBytes()) / 1048576.0);
    ImGui::Text("Check the full log in 'log.txt' (%d kb)", orvilane::Log::GetLogFileSize(60));

    ImGui::Separator();
    ImGui::Checkbox("Auto-scroll", &mAutoScroll);
    ImGui::SameLine();
    const bool clear = ImGui::Button("Clear");
    ImGui::SameLine();
    const bool copy = ImGui::Button("Copy");
    ImGui::SameLine();
    mFilter.Draw("Filter", -100.0f);
    ImGui::Separator();

    if (!ImGui::BeginChild("scrolling", ImVec2(0, 0), false, ImGuiWindowFlags_HorizontalScrollbar))
    {
        ImGui::EndChild();
        ImGui::End();
        return;
    }
    if (clear)
        Clear();
    if (copy)
        ImGui::LogToClipboard();

    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 0));
    DrawLines();
    ImGui::PopStyleVar();

    if (mAutoScroll && ImGui::GetScrollY() >= ImGui::GetScrollMaxY())
        ImGui::SetScrollHereY(1.0f);

    ImGui::EndChild();
    ImGui::End();
}

void LogWindow::DrawLines()
{
    // The UI copies the characters into its draw lists, so the text may grow
    // again as soon as the lock is gone.
    std::lock_guard<std::mutex> lock(mMutex);
    const char* text = mText.data();
    const size_t lineCount = mLineOffsets.size();
    auto lineEnd = [&](size_t i) {
        return i + 1 < lineCount ? text + mLineOffsets[i + 1] - 1 : text + mText.size();
    };
    if (mFilter.IsActive())
    {
        for (size_t i = 0; i < lineCount; ++i)
        {
            const char* begin = text + mLineOffsets[i];
            const char* end = lineEnd(i);
            if (mFilter.PassFilter(begin, end))
                ImGui::TextUnformatted(begin, end);
        }
        return;
    }
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(lineCount));
    while (clipper.Step())
    {
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i)
        {
            const size_t line = static_cast<size_t>(i);
            ImGui::TextUnformatted(text + mLineOffsets[line], lineEnd(line));
        }
    }
    clipper.End();
}

} // namespace orvilaneeditor
