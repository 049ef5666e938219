// The log window keeps every line in order with its offsets, filters and
// copies what it draws, and stays whole while other threads log into it.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "editor/windows/LogWindow.h"
#include "tests/support/ImGuiTestFrame.h"

using orvilaneeditor::LogWindow;
using orvilaneeditor::test::ImGuiTestFrame;

TEST(LogWindow, TextAndOffsetsFollowEveryLine)
{
    struct Case
    {
        std::vector<std::string> lines;
        std::string text;
        std::vector<size_t> offsets;
    };
    const Case cases[] = {
        {{}, "", {0}},
        {{"[10:00:00] a"}, "[10:00:00] a\n", {0, 13}},
        {{"ab", "", "c"}, "ab\n\nc\n", {0, 3, 4, 6}},
        {{"x\ny"}, "x\ny\n", {0, 2, 4}}, // a line end inside a line starts a line
    };
    for (const Case& c : cases)
    {
        LogWindow log;
        for (const std::string& line : c.lines)
            log.AddLog(line);
        EXPECT_EQ(log.Text(), c.text);
        EXPECT_EQ(log.LineOffsets(), c.offsets);
        log.Clear();
        EXPECT_EQ(log.Text(), "");
        EXPECT_EQ(log.LineOffsets(), std::vector<size_t>{0});
    }
}

namespace
{
struct LogUi : orvilaneeditor::test::ShownWindow<LogWindow>
{
    LogUi() : ShownWindow(ImVec2(1280.0f, 1024.0f)) {}
    LogWindow& log = window;

    // Presses a button of the window and returns the non-empty lines of the
    // clipboard afterwards.
    std::vector<std::string> Press(const char* label)
    {
        ui.Frame(draw);
        ImGui::SetClipboardText("");
        EXPECT_TRUE(ui.ClickLabel("Log", label, draw)) << label << " not found";
        std::vector<std::string> lines;
        std::string line;
        for (const char* c = ImGui::GetClipboardText(); *c != '\0'; ++c)
        {
            if (*c != '\n')
                line += *c;
            else if (!line.empty())
                lines.push_back(std::move(line)), line.clear();
        }
        if (!line.empty())
            lines.push_back(line);
        return lines;
    }
};
} // namespace

TEST(LogWindow, CopyTakesTheLinesThatPassTheFilter)
{
    struct Case
    {
        const char* filter;
        std::vector<std::string> copied;
    };
    const Case cases[] = {
        {"", {"[1] red", "[2] green", "[3] red green"}},
        {"red", {"[1] red", "[3] red green"}},
        {"-red", {"[2] green"}},
        {"blue", {}},
    };
    for (const Case& c : cases)
    {
        LogUi ui;
        for (const char* line : {"[1] red", "[2] green", "[3] red green"})
            ui.log.AddLog(line);
        std::snprintf(ui.log.mFilter.InputBuf, sizeof(ui.log.mFilter.InputBuf), "%s", c.filter);
        ui.log.mFilter.Build();
        EXPECT_EQ(ui.Press("Copy"), c.copied) << "filter '" << c.filter << "'";
    }
}

TEST(LogWindow, ClearButtonLeavesOneEmptyLine)
{
    LogUi ui;
    ui.log.AddLog("[1] one");
    ui.log.AddLog("[2] two");
    ui.Press("Clear");
    EXPECT_EQ(ui.log.Text(), "");
    EXPECT_EQ(ui.log.LineOffsets(), std::vector<size_t>{0});
    ui.log.AddLog("[3] three");
    EXPECT_EQ(ui.log.Text(), "[3] three\n");
}

// After a flood of lines, "Clear" (the call or the button) leaves no more held than a new window, every time.
TEST(LogWindow, ClearGivesBackTheMemoryOfTheTextAndItsOffsets)
{
    const std::string line = "[00:00:00] ERROR: Invalid Curved Surface (Curvature Radius > Aperture Radius";
    const size_t kLines = 20000;
    for (const bool button : {false, true})
    {
        LogUi ui;
        for (int round = 0; round < 2; ++round)
        {
            for (size_t k = 0; k < kLines; ++k)
                ui.log.AddLog(line);
            EXPECT_GE(ui.log.HeldBytes(), kLines * (line.size() + 1 + sizeof(size_t)));
            button ? (void)ui.Press("Clear") : ui.log.Clear();
            EXPECT_EQ(ui.log.HeldBytes(), LogWindow().HeldBytes()) << "button " << button << ", round " << round;
        }
    }
}

TEST(LogWindow, ManyLinesAreClippedAndTheViewFollowsTheEnd)
{
    LogUi ui;
    for (int i = 0; i < 5000; ++i)
        ui.log.AddLog("[00:00:00] line " + std::to_string(i));
    for (int k = 0; k < 3; ++k)
        ui.ui.Frame(ui.draw);
    ImGuiWindow* child = ImGuiTestFrame::FindChild(ImGuiTestFrame::FindWindow("Log"), "scrolling");
    ASSERT_NE(child, nullptr);
    EXPECT_GT(child->ScrollMax.y, 0.0f);
    EXPECT_EQ(child->Scroll.y, child->ScrollMax.y); // auto-scroll keeps the end in view
    // Only the visible lines reach the draw list: far fewer vertices than 5000 lines.
    EXPECT_LT(child->DrawList->VtxBuffer.Size, 5000 * 4);
}

TEST(LogWindowThreaded, LinesFromSeveralThreadsStayWholeWhileFramesRender)
{
    constexpr int kThreads = 4;
    constexpr int kLinesPerThread = 2000;
    LogUi ui;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&ui, t] {
            for (int k = 0; k < kLinesPerThread; ++k)
                ui.log.AddLog("thread " + std::to_string(t) + " line " + std::to_string(k));
        });
    for (int frame = 0; frame < 200; ++frame)
        ui.ui.Frame(ui.draw);
    for (std::thread& writer : writers)
        writer.join();

    const std::string text = ui.log.Text();
    const std::vector<size_t> offsets = ui.log.LineOffsets();
    ASSERT_EQ(offsets.size(), static_cast<size_t>(kThreads * kLinesPerThread + 1));
    EXPECT_EQ(offsets.back(), text.size());
    std::vector<int> next(kThreads, 0); // each thread's lines arrive in its own order
    for (size_t i = 0; i + 1 < offsets.size(); ++i)
    {
        const std::string line = text.substr(offsets[i], offsets[i + 1] - offsets[i] - 1);
        int t = -1;
        int k = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "thread %d line %d", &t, &k), 2) << line;
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        EXPECT_EQ(k, next[t]++) << line;
        EXPECT_EQ(line, "thread " + std::to_string(t) + " line " + std::to_string(k));
    }
}
