#include <gtest/gtest.h>

#include "editor/ui/WindowPlacement.h"

using orvilaneeditor::CascadePosition;

// A 560 x 600 window below a 75 px ribbon: offset from the previous one, back
// to the first place on an axis it would leave the display by.
TEST(WindowPlacement, CascadeStaysBelowTheRibbonAndInsideTheDisplay)
{
    struct Case
    {
        const char* what;
        bool hasPrevious;
        ImVec2 previous, display, expected;
    };
    const Case cases[] = {
        {"first", false, {}, {1280, 1024}, {60, 95}},
        {"next", true, {60, 95}, {1280, 1024}, {90, 125}},
        {"off the bottom: back to the top, still offset across", true, {300, 400}, {1280, 1024}, {330, 95}},
        {"off the right: back to the left", true, {700, 200}, {1280, 1024}, {60, 230}},
        {"previous dragged over the ribbon", true, {100, 10}, {1280, 1024}, {130, 95}},
        {"display lower than the window: under the ribbon", false, {}, {1280, 500}, {60, 75}},
        {"display a little low: pushed up, not under the ribbon", false, {}, {1280, 690}, {60, 90}},
    };
    for (const Case& c : cases)
    {
        const ImVec2 p = CascadePosition(c.hasPrevious ? &c.previous : nullptr, {560, 600}, c.display, 75.0f);
        EXPECT_TRUE(p.x == c.expected.x && p.y == c.expected.y) << c.what << ": " << p.x << ", " << p.y;
    }
}
