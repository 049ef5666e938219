#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include <imgui.h>

struct ImGuiWindow;

namespace orvilaneeditor::test
{

// A headless Dear ImGui context for driving windows as a person would: no
// backend and no GL; the font atlas is built once so frames can be rendered.
// Each Frame runs NewFrame, the given UI code and Render with the current
// mouse and keyboard state. Mouse buttons are pressed in one frame and
// released in the next, as a real click arrives. "imgui.ini" is not touched.
class ImGuiTestFrame
{
public:
    using Ui = std::function<void()>;

    explicit ImGuiTestFrame(ImVec2 displaySize = ImVec2(1280.0f, 1024.0f));
    ~ImGuiTestFrame();
    ImGuiTestFrame(const ImGuiTestFrame&) = delete;
    ImGuiTestFrame& operator=(const ImGuiTestFrame&) = delete;

    void Frame(const Ui& ui);
    void Frames(int count, const Ui& ui);
    void MoveMouse(ImVec2 position);
    // Moves there, presses, releases, and one more frame for what the click changed.
    void Click(ImVec2 position, const Ui& ui);
    // Types text into the focused text field (one frame per call).
    void Type(const std::string& text, const Ui& ui);
    // Ctrl+A in the focused text field, then text in place of what it held.
    void ReplaceText(const std::string& text, const Ui& ui);
    // Presses and releases a key given by its ImGuiKey (two frames).
    void PressKey(ImGuiKey key, const Ui& ui);

    // True when the window (or modal popup) of that name was drawn in the last frame.
    static bool IsShown(const char* name);
    // The window of that name (a top-level window, popup or modal), or null.
    static ImGuiWindow* FindWindow(const char* name);
    // The child window childName inside parent, or null.
    static ImGuiWindow* FindChild(ImGuiWindow* parent, const char* childName);
    // The child window made from an item id (a list box's frame), or null.
    static ImGuiWindow* FindChildById(ImGuiWindow* parent, ImGuiID id);

    // One step of an id path: a label or an integer (PushID(int)).
    struct IdKey
    {
        IdKey(const char* label) : text(label) {}
        IdKey(int value) : number(value) {}
        const char* text = nullptr;
        int number = 0;
    };

    // Id of an item reached from the window through nested PushID scopes,
    // ending with the item's own label.
    static ImGuiID ItemId(ImGuiWindow* window, std::initializer_list<IdKey> path);
    // The same where the innermost scope is a pointer id (ImageButton's texture)
    // followed by a label.
    static ImGuiID ItemIdWithPointer(ImGuiWindow* window, std::initializer_list<const char*> labels,
                                     const void* pointer, const char* last);

    // Sweeps the mouse over the window until the item with that id is hovered;
    // true with its position. Runs frames of ui while it searches.
    bool FindItem(ImGuiWindow* window, ImGuiID id, const Ui& ui, ImVec2* position, float step = 4.0f);
    // FindItem, then Click there. False when the item was not found.
    bool ClickItem(ImGuiWindow* window, ImGuiID id, const Ui& ui);
    // Clicks the button or item with a plain label directly in the named window.
    bool ClickLabel(const char* windowName, const char* label, const Ui& ui);

    ImGuiContext* Context() const { return mContext; }

private:
    ImGuiContext* mContext = nullptr;
    ImGuiContext* mPrevious = nullptr;
};

// One editor window shown in its own headless UI: draw runs the window's
// Show(&open) and can be handed to any ImGuiTestFrame call.
template <typename Window>
struct ShownWindow
{
    explicit ShownWindow(ImVec2 displaySize = ImVec2(1280.0f, 800.0f)) : ui(displaySize) {}

    Window window;
    bool open = true;
    ImGuiTestFrame ui;
    ImGuiTestFrame::Ui draw = [this] { window.Show(&open); };
};

} // namespace orvilaneeditor::test
