#include <gtest/gtest.h>

#include "editor/ui/WindowPlacement.h"

using orvilaneeditor::CascadePosition;

// Cascaded windows: below the ribbon, each offset from the one before, back
// to the first place on an axis they would leave the display by, and inside
// the display as far as it reaches.
TEST(WindowPlacement, CascadeStaysBelowTheRibbonAndInsideTheDisplay)
{
    const float top = 75.0f;
    const ImVec2 size(560.0f, 600.0f);
    struct Case
    {
        const char* what;
        bool hasPrevious;
        ImVec2 previous;
        ImVec2 display;
        ImVec2 expected;
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
        const ImVec2 p = CascadePosition(c.hasPrevious ? &c.previous : nullptr, size, c.display, top);
        EXPECT_EQ(p.x, c.expected.x) << c.what;
        EXPECT_EQ(p.y, c.expected.y) << c.what;
        EXPECT_GE(p.y, top) << c.what;
        if (c.display.x >= size.x && c.display.y - top >= size.y)
        {
            EXPECT_LE(p.x + size.x, c.display.x) << c.what;
            EXPECT_LE(p.y + size.y, c.display.y) << c.what;
        }
    }
}
