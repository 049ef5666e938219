#include "tests/support/ImGuiTestFrame.h"

#include <cstring>

#include <imgui_internal.h>

namespace orvilaneeditor::test
{

ImGuiTestFrame::ImGuiTestFrame(ImVec2 displaySize)
{
    mPrevious = ImGui::GetCurrentContext();
    mContext = ImGui::CreateContext();
    ImGui::SetCurrentContext(mContext);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.DisplaySize = displaySize;
    io.DeltaTime = 1.0f / 60.0f;
    // Key indices are the ImGuiKey values themselves.
    for (int key = 0; key < ImGuiKey_COUNT; ++key)
        io.KeyMap[key] = key;
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(1)));
}

ImGuiTestFrame::~ImGuiTestFrame()
{
    ImGui::DestroyContext(mContext);
    ImGui::SetCurrentContext(mPrevious);
}

void ImGuiTestFrame::Frame(const Ui& ui)
{
    ImGui::SetCurrentContext(mContext);
    ImGui::NewFrame();
    if (ui)
        ui();
    ImGui::Render();
}

void ImGuiTestFrame::Frames(int count, const Ui& ui)
{
    for (int i = 0; i < count; ++i)
        Frame(ui);
}

void ImGuiTestFrame::MoveMouse(ImVec2 position)
{
    ImGui::SetCurrentContext(mContext);
    ImGui::GetIO().MousePos = position;
}

void ImGuiTestFrame::Click(ImVec2 position, const Ui& ui)
{
    MoveMouse(position);
    Frame(ui);
    ImGui::GetIO().MouseDown[0] = true;
    Frame(ui);
    ImGui::GetIO().MouseDown[0] = false;
    Frame(ui);
    Frame(ui); // what the click changed (a closed popup) shows in this frame
}

void ImGuiTestFrame::Type(const std::string& text, const Ui& ui)
{
    ImGui::SetCurrentContext(mContext);
    ImGui::GetIO().AddInputCharactersUTF8(text.c_str());
    Frame(ui);
}

void ImGuiTestFrame::PressKey(ImGuiKey key, const Ui& ui)
{
    ImGui::SetCurrentContext(mContext);
    ImGui::GetIO().KeysDown[key] = true;
    Frame(ui);
    ImGui::GetIO().KeysDown[key] = false;
    Frame(ui);
}

void ImGuiTestFrame::ReplaceText(const std::string& text, const Ui& ui)
{
    ImGui::SetCurrentContext(mContext);
    ImGuiIO& io = ImGui::GetIO();
    io.KeyCtrl = true;
    io.KeysDown[ImGuiKey_A] = true;
    Frame(ui);
    io.KeysDown[ImGuiKey_A] = false;
    io.KeyCtrl = false;
    Frame(ui);
    PressKey(ImGuiKey_Delete, ui);
    Type(text, ui);
}

bool ImGuiTestFrame::IsShown(const char* name)
{
    const ImGuiWindow* window = ImGui::FindWindowByName(name);
    return window != nullptr && window->Active;
}

ImGuiWindow* ImGuiTestFrame::FindWindow(const char* name)
{
    return ImGui::FindWindowByName(name);
}

ImGuiWindow* ImGuiTestFrame::FindChild(ImGuiWindow* parent, const char* childName)
{
    if (parent == nullptr)
        return nullptr;
    const std::string prefix = std::string(parent->Name) + "/" + childName + "_";
    for (ImGuiWindow* window : ImGui::GetCurrentContext()->Windows)
    {
        if (window->ParentWindow == parent && std::strncmp(window->Name, prefix.c_str(), prefix.size()) == 0)
            return window;
    }
    return nullptr;
}

ImGuiWindow* ImGuiTestFrame::FindChildById(ImGuiWindow* parent, ImGuiID id)
{
    if (parent == nullptr)
        return nullptr;
    char name[512];
    ImFormatString(name, sizeof(name), "%s/%08X", parent->Name, id);
    return ImGui::FindWindowByName(name);
}

ImGuiID ImGuiTestFrame::ItemId(ImGuiWindow* window, std::initializer_list<IdKey> path)
{
    ImGuiID id = window != nullptr ? window->ID : 0;
    for (const IdKey& key : path)
        id = key.text != nullptr ? ImHashStr(key.text, 0, id) : ImHashData(&key.number, sizeof(key.number), id);
    return id;
}

ImGuiID ImGuiTestFrame::ItemIdWithPointer(ImGuiWindow* window, std::initializer_list<const char*> labels,
                                          const void* pointer, const char* last)
{
    ImGuiID id = window != nullptr ? window->ID : 0;
    for (const char* label : labels)
        id = ImHashStr(label, 0, id);
    id = ImHashData(&pointer, sizeof(pointer), id);
    return ImHashStr(last, 0, id);
}

bool ImGuiTestFrame::FindItem(ImGuiWindow* window, ImGuiID id, const Ui& ui, ImVec2* position, float step)
{
    if (window == nullptr)
        return false;
    Frame(ui); // a window shows its final size from its second frame on
    const ImRect rect = window->Rect();
    for (float y = rect.Min.y + 1.0f; y < rect.Max.y; y += step)
    {
        for (float x = rect.Min.x + 1.0f; x < rect.Max.x; x += step)
        {
            MoveMouse(ImVec2(x, y));
            Frame(ui);
            if (ImGui::GetCurrentContext()->HoveredId == id)
            {
                *position = ImVec2(x, y);
                return true;
            }
        }
    }
    return false;
}

bool ImGuiTestFrame::ClickItem(ImGuiWindow* window, ImGuiID id, const Ui& ui)
{
    ImVec2 position;
    if (!FindItem(window, id, ui, &position))
        return false;
    Click(position, ui);
    return true;
}

bool ImGuiTestFrame::ClickLabel(const char* windowName, const char* label, const Ui& ui)
{
    ImGuiWindow* window = FindWindow(windowName);
    return ClickItem(window, ItemId(window, {label}), ui);
}

} // namespace orvilaneeditor::test
