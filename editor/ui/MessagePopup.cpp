#include "editor/ui/MessagePopup.h"

#include <cstdint>

#include "editor/ui/DockLayout.h"
#include "editor/ui/IconAtlas.h"

namespace orvilaneeditor
{

bool MessagePopup::sOpenRequest = false;
int MessagePopup::sType = MessagePopup::kWarning;
int MessagePopup::sIconIndex = 14;
std::string MessagePopup::sTitle = "Message";
std::string MessagePopup::sText = "Text Here";
MessagePopup::Callback MessagePopup::sCallback;

namespace
{
constexpr int kWarningIcon = 14;
constexpr int kErrorIcon = 13;

ImTextureID AtlasTexture()
{
    return reinterpret_cast<ImTextureID>(static_cast<intptr_t>(IconAtlas::GetTexture()));
}
} // namespace

void MessagePopup::Show(int type, const char* text, const Callback& callback)
{
    if (type == kError)
    {
        sIconIndex = kErrorIcon;
        sTitle = "Error";
    }
    else
    {
        sIconIndex = kWarningIcon;
        sTitle = "Warning";
    }
    sType = type;
    sText = text != nullptr ? text : "";
    sCallback = callback;
    sOpenRequest = true;
}

bool MessagePopup::IsOpen()
{
    return sOpenRequest || ImGui::IsPopupOpen(sTitle.c_str());
}

void MessagePopup::Draw()
{
    if (sOpenRequest)
    {
        ImGui::OpenPopup(sTitle.c_str());
        sOpenRequest = false;
    }
    DockLayout::CentreNextWindow();
    if (!ImGui::BeginPopupModal(sTitle.c_str(), nullptr,
                                ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoMove |
                                    ImGuiWindowFlags_NoResize))
        return;

    const ImVec2* icon = IconAtlas::GetIcon(sIconIndex);
    ImGui::Image(AtlasTexture(), ImVec2(32.0f, 32.0f), icon[0], icon[1]);
    ImGui::SameLine();
    ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + 400.0f);
    ImGui::TextUnformatted(sText.c_str()); // the text is shown as is, never used as a format
    ImGui::PopTextWrapPos();
    ImGui::Spacing();

    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + 200.0f);
    bool answered = false;
    bool answer = false;
    if (sType == kQuestion)
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
    ImGui::EndPopup();
    if (answered && sCallback)
    {
        // Moved out first: the answer may show the next message.
        Callback callback = std::move(sCallback);
        sCallback = nullptr;
        callback(answer);
    }
}

} // namespace orvilaneeditor
