#pragma once

#include <functional>
#include <vector>

#include <imgui.h>
#include <imgui_internal.h>

namespace orvilaneeditor::test
{

// A Dear ImGui context without a platform or renderer backend, for driving
// windows frame by frame as a person would: the mouse is moved, pressed and
// released between frames. No settings file is read or written.
class HeadlessUi
{
public:
    using Draw = std::function<void()>;

    explicit HeadlessUi(ImVec2 displaySize = ImVec2(1280, 800));
    ~HeadlessUi();
    HeadlessUi(const HeadlessUi&) = delete;
    HeadlessUi& operator=(const HeadlessUi&) = delete;

    // NewFrame, draw, Render; the wheel is reset afterwards.
    void Frame(const Draw& draw);
    // Moves the mouse there and runs one frame.
    void Hover(ImVec2 at, const Draw& draw);
    // Move, press, release: three frames (the release is the button's press).
    void Click(ImVec2 at, const Draw& draw, int button = 0);
    // Presses at from, moves in steps to to (one frame each), releases.
    void Drag(ImVec2 from, ImVec2 to, int steps, const Draw& draw, int button = 0);
    // One frame with the mouse at the point and the wheel turned by amount.
    void Wheel(ImVec2 at, float amount, const Draw& draw);

    // Centres of the separate items the mouse hovers along the straight path
    // from a to b, in the order met (one frame per step of at most 1 pixel).
    std::vector<ImVec2> ItemsAlong(ImVec2 a, ImVec2 b, const Draw& draw);

    // Where the mouse hovers the item of that label (an id taken from the
    // window's own id scope, as a Button or Checkbox is) inside the named
    // window; (-1, -1) when no point of a 3-pixel grid over the window does.
    ImVec2 FindItem(const char* windowName, const char* label, const Draw& draw);
    ImVec2 FindItem(ImGuiWindow* window, const char* label, const Draw& draw);
    // The innermost open popup's window after the last frame, or null.
    static ImGuiWindow* OpenPopup();

    // The window of that name after the last frame, or null.
    static ImGuiWindow* Window(const char* name);

private:
    ImGuiContext* mContext = nullptr;
    ImGuiContext* mPrevious = nullptr;
};

} // namespace orvilaneeditor::test
