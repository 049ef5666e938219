#include <gtest/gtest.h>

#include <optional>

#include "editor/ui/MessagePopup.h"
#include "tests/support/ImGuiTestFrame.h"

using orvilaneeditor::MessagePopup;
using orvilaneeditor::test::ImGuiTestFrame;

TEST(MessagePopup, EachButtonClosesAndAnswersOnce)
{
    struct Case
    {
        int type;
        const char* title;
        int icon;
        const char* button;
        bool answer;
    };
    const Case cases[] = {
        {MessagePopup::kQuestion, "Warning", 14, "Yes", true}, {MessagePopup::kQuestion, "Warning", 14, "No", false},
        {MessagePopup::kWarning, "Warning", 14, "Ok", false},  {MessagePopup::kError, "Error", 13, "Ok", false},
        {MessagePopup::kWarning, "Warning", 14, "Ok", false}, // a warning after an error
    };
    ImGuiTestFrame ui;
    const auto draw = [] { MessagePopup::Draw(); };
    for (const Case& c : cases)
    {
        int calls = 0;
        std::optional<bool> answer;
        MessagePopup::Show(c.type, "100% sure? %s %n", [&](bool a) {
            ++calls;
            answer = a;
        });
        const std::vector<MessagePopup::Shown> stack = MessagePopup::GetStack();
        ASSERT_EQ(stack.size(), 1u) << c.button;
        EXPECT_EQ(stack[0].title, c.title);
        EXPECT_EQ(stack[0].iconIndex, c.icon);
        EXPECT_EQ(stack[0].text, "100% sure? %s %n");
        ui.Frames(2, draw);
        ASSERT_TRUE(ImGuiTestFrame::IsShown(c.title)) << c.button;
        ASSERT_TRUE(ui.ClickLabel(c.title, c.button, draw)) << c.button;
        ui.Frames(2, draw);
        EXPECT_FALSE(ImGuiTestFrame::IsShown(c.title)) << c.button;
        EXPECT_EQ(calls, 1) << c.button;
        EXPECT_EQ(answer, std::optional<bool>(c.answer)) << c.button;
    }
}

TEST(MessagePopup, AnswerMayAskTheNextQuestion)
{
    ImGuiTestFrame ui;
    const auto draw = [] { MessagePopup::Draw(); };
    int second = 0;
    MessagePopup::Show(MessagePopup::kQuestion, "first",
                       [&](bool) { MessagePopup::Show(MessagePopup::kError, "second", [&](bool) { ++second; }); });
    ui.Frames(2, draw);
    ASSERT_TRUE(ui.ClickLabel("Warning", "No", draw));
    ui.Frames(2, draw);
    EXPECT_TRUE(ImGuiTestFrame::IsShown("Error"));
    ASSERT_TRUE(ui.ClickLabel("Error", "Ok", draw));
    EXPECT_EQ(second, 1);
}
