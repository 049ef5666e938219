#include "editor/ui/MessagePopup.h"

#include <cstdint>

#include <imgui_internal.h>

#include "editor/ui/DockLayout.h"
#include "editor/ui/IconAtlas.h"

namespace orvilaneeditor
{

std::vector<MessagePopup::Message> MessagePopup::sMessages;

namespace
{
constexpr int kWarningIcon = 14;
constexpr int kErrorIcon = 13;

ImTextureID AtlasTexture()
{
    return reinterpret_cast<ImTextureID>(static_cast<intptr_t>(IconAtlas::GetTexture()));
}

const char* TitleOf(int type)
{
    return type == MessagePopup::kError ? "Error" : "Warning";
}

int IconOf(int type)
{
    return type == MessagePopup::kError ? kErrorIcon : kWarningIcon;
}

// How many popups are open up to and with the innermost modal one shown in
// this frame or the last (one that is no longer drawn hosts nothing).
int InnermostModalDepth()
{
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    for (int n = g.OpenPopupStack.Size - 1; n >= 0; --n)
    {
        const ImGuiWindow* popup = g.OpenPopupStack[n].Window;
        if (popup != nullptr && (popup->Flags & ImGuiWindowFlags_Modal) != 0 && (popup->Active || popup->WasActive))
            return n + 1;
    }
    return 0;
}

bool IsInPopupStack(ImGuiID id)
{
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    for (const ImGuiPopupData& popup : g.OpenPopupStack)
    {
        if (popup.PopupId == id)
            return true;
    }
    return false;
}
} // namespace

void MessagePopup::Show(int type, const char* text, const Callback& callback)
{
    const std::string shown = text != nullptr ? text : "";
    for (const Message& message : sMessages)
    {
        if (message.type == type && message.text == shown)
            return;
    }
    sMessages.push_back({type, shown, callback, std::string(), 0, 0});
}

std::vector<MessagePopup::Shown> MessagePopup::GetStack()
{
    std::vector<Shown> stack;
    for (const Message& message : sMessages)
        stack.push_back({message.type, TitleOf(message.type), IconOf(message.type), message.text});
    return stack;
}

void MessagePopup::RearmClosed()
{
    for (size_t i = 0; i < sMessages.size(); ++i)
    {
        if (!sMessages[i].window.empty() && !IsInPopupStack(sMessages[i].popupId))
        {
            for (size_t j = i; j < sMessages.size(); ++j)
                sMessages[j].window.clear();
            return;
        }
    }
}

void MessagePopup::Open(size_t index)
{
    // The same title twice in the stack would be one window.
    Message& message = sMessages[index];
    message.window = TitleOf(message.type);
    if (index > 0)
        message.window += "##" + std::to_string(index);
    message.popupId = ImGui::GetID(message.window.c_str());
    message.level = ImGui::GetCurrentContext()->BeginPopupStack.Size;
    ImGui::OpenPopup(message.window.c_str());
}

void MessagePopup::Draw()
{
    if (sMessages.empty())
        return;
    RearmClosed();
    const int depth = ImGui::GetCurrentContext()->BeginPopupStack.Size;
    if (sMessages.front().window.empty())
    {
        // Opened from a scope with a modal above it, it would close that modal.
        if (InnermostModalDepth() != depth)
            return;
        Open(0);
    }
    if (sMessages.front().level == depth)
        DrawMessage(0);
}

void MessagePopup::DrawMessage(size_t index)
{
    // The vector may grow (a callback shows the next message): indices, no references.
    const std::string window = sMessages[index].window;
    const int type = sMessages[index].type;
    DockLayout::CentreNextWindow(window.c_str());
    if (!ImGui::BeginPopupModal(window.c_str(), nullptr,
                                ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoMove |
                                    ImGuiWindowFlags_NoResize))
        return;

    const ImVec2* icon = IconAtlas::GetIcon(IconOf(type));
    ImGui::Image(AtlasTexture(), ImVec2(32.0f, 32.0f), icon[0], icon[1]);
    ImGui::SameLine();
    ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + 400.0f);
    ImGui::TextUnformatted(sMessages[index].text.c_str()); // the text is shown as is, never used as a format
    ImGui::PopTextWrapPos();
    ImGui::Spacing();

    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + 200.0f);
    bool answered = false;
    bool answer = false;
    if (type == kQuestion)
    {
        if (ImGui::Button("Yes", ImVec2(100.0f, 20.0f)))
        {
            answered = true;
            answer = true;
        }
        ImGui::SameLine();
        if (ImGui::Button("No", ImVec2(100.0f, 20.0f)))
            answered = true;
    }
    else if (ImGui::Button("Ok"))
        answered = true;

    if (answered)
        ImGui::CloseCurrentPopup();
    else if (index + 1 < sMessages.size())
    {
        if (sMessages[index + 1].window.empty())
            Open(index + 1);
        DrawMessage(index + 1);
    }
    ImGui::EndPopup();
    if (answered)
    {
        // Removed first: the answer may show the next message.
        Callback callback = std::move(sMessages[index].callback);
        sMessages.erase(sMessages.begin() + static_cast<std::ptrdiff_t>(index));
        if (callback)
            callback(answer);
    }
}

} // namespace orvilaneeditor
