#include "tests/editor/windows/HeadlessUi.h"

#include <cmath>

namespace orvilaneeditor::test
{

HeadlessUi::HeadlessUi(ImVec2 displaySize)
{
    mPrevious = ImGui::GetCurrentContext();
    mContext = ImGui::CreateContext();
    ImGui::SetCurrentContext(mContext);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.DisplaySize = displaySize;
    io.DeltaTime = 1.0f / 60.0f;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    io.MousePos = ImVec2(-1, -1);
}

HeadlessUi::~HeadlessUi()
{
    ImGui::DestroyContext(mContext);
    ImGui::SetCurrentContext(mPrevious);
}

void HeadlessUi::Frame(const Draw& draw)
{
    ImGui::SetCurrentContext(mContext);
    ImGui::NewFrame();
    draw();
    ImGui::Render();
    ImGui::GetIO().MouseWheel = 0.0f;
}

void HeadlessUi::Hover(ImVec2 at, const Draw& draw)
{
    ImGui::GetIO().MousePos = at;
    Frame(draw);
}

void HeadlessUi::Click(ImVec2 at, const Draw& draw, int button)
{
    ImGuiIO& io = ImGui::GetIO();
    Hover(at, draw);
    io.MouseDown[button] = true;
    Frame(draw);
    io.MouseDown[button] = false;
    Frame(draw);
}

void HeadlessUi::Drag(ImVec2 from, ImVec2 to, int steps, const Draw& draw, int button)
{
    ImGuiIO& io = ImGui::GetIO();
    Hover(from, draw);
    io.MouseDown[button] = true;
    Frame(draw);
    for (int k = 1; k <= steps; ++k)
    {
        const float t = static_cast<float>(k) / static_cast<float>(steps);
        Hover(ImVec2(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t), draw);
    }
    io.MouseDown[button] = false;
    Frame(draw);
}

void HeadlessUi::Wheel(ImVec2 at, float amount, const Draw& draw)
{
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = at;
    io.MouseWheel = amount;
    Frame(draw);
}

std::vector<ImVec2> HeadlessUi::ItemsAlong(ImVec2 a, ImVec2 b, const Draw& draw)
{
    const float length = std::hypot(b.x - a.x, b.y - a.y);
    const int steps = static_cast<int>(std::ceil(length)) + 1;
    std::vector<ImVec2> centres;
    ImGuiID current = 0;
    ImVec2 first;
    ImVec2 last;
    auto close = [&] {
        if (current != 0)
            centres.push_back(ImVec2((first.x + last.x) * 0.5f, (first.y + last.y) * 0.5f));
    };
    for (int k = 0; k <= steps; ++k)
    {
        const float t = static_cast<float>(k) / static_cast<float>(steps);
        const ImVec2 at(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
        Hover(at, draw);
        const ImGuiID hovered = ImGui::GetCurrentContext()->HoveredId;
        if (hovered != current || hovered == 0)
        {
            close();
            current = hovered;
            first = at;
        }
        last = at;
    }
    close();
    return centres;
}

ImVec2 HeadlessUi::FindItem(const char* windowName, const char* label, const Draw& draw)
{
    Frame(draw);
    return FindItem(Window(windowName), label, draw);
}

ImGuiWindow* HeadlessUi::OpenPopup()
{
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    return g.OpenPopupStack.Size > 0 ? g.OpenPopupStack.back().Window : nullptr;
}

ImVec2 HeadlessUi::FindItem(ImGuiWindow* window, const char* label, const Draw& draw)
{
    if (window == nullptr)
        return ImVec2(-1, -1);
    const ImGuiID id = window->GetID(label);
    const ImVec2 min = window->Pos;
    const ImVec2 max(window->Pos.x + window->Size.x, window->Pos.y + window->Size.y);
    for (float y = min.y + 1.0f; y < max.y; y += 3.0f)
    {
        for (float x = min.x + 1.0f; x < max.x; x += 3.0f)
        {
            Hover(ImVec2(x, y), draw);
            if (ImGui::GetCurrentContext()->HoveredId == id)
                return ImVec2(x, y);
        }
    }
    return ImVec2(-1, -1);
}

ImGuiWindow* HeadlessUi::Window(const char* name)
{
    return ImGui::FindWindowByName(name);
}

} // namespace orvilaneeditor::test
