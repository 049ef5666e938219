#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// A message equal to one armed or open is not added again; one that differs
// in type or text stacks over it.
TEST(MessagePopup, EqualMessagesAreShownOnce)
{
    ImGuiTestFrame ui;
    const auto draw = [] { MessagePopup::Draw(); };
    int answers = 0;
    const auto count = [&](bool) { ++answers; };
    MessagePopup::Show(MessagePopup::kQuestion, "Lose changes?", count);
    MessagePopup::Show(MessagePopup::kQuestion, "Lose changes?", count); // armed, not yet open
    ui.Frames(2, draw);
    MessagePopup::Show(MessagePopup::kQuestion, "Lose changes?", count); // open
    MessagePopup::Show(MessagePopup::kWarning, "Lose changes?", count);
    MessagePopup::Show(MessagePopup::kQuestion, "Other?", count);
    std::vector<std::pair<int, std::string>> stack;
    for (const MessagePopup::Shown& shown : MessagePopup::GetStack())
        stack.emplace_back(shown.type, shown.text);
    const std::vector<std::pair<int, std::string>> want = {{MessagePopup::kQuestion, "Lose changes?"},
                                                           {MessagePopup::kWarning, "Lose changes?"},
                                                           {MessagePopup::kQuestion, "Other?"}};
    EXPECT_EQ(stack, want);
    ui.Frames(2, draw);
    ASSERT_TRUE(ui.ClickLabel("Warning##2", "No", draw));
    ui.Frames(2, draw);
    ASSERT_TRUE(ui.ClickLabel("Warning##1", "Ok", draw));
    ui.Frames(2, draw);
    ASSERT_TRUE(ui.ClickLabel("Warning", "No", draw));
    ui.Frames(2, draw);
    EXPECT_FALSE(MessagePopup::IsOpen());
    EXPECT_EQ(answers, 3);
}
