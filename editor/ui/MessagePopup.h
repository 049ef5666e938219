#pragma once

#include <functional>
#include <string>

#include <imgui.h>

namespace orvilaneeditor
{

// The one program-wide modal message: an icon, a wrapped text and "Ok" or
// "Yes"/"No". A new message replaces the one before. UI thread only.
class MessagePopup
{
public:
    using Callback = std::function<void(bool)>;

    static constexpr int kWarning = 0;
    static constexpr int kQuestion = 1;
    static constexpr int kError = 2;

    // Armed here, opened by the next Draw. The callback gets true for "Yes",
    // false for "No" and "Ok", after the popup has closed.
    static void Show(int type, const char* text, const Callback& callback);
    // Per frame: opens the popup when armed and draws it while open.
    static void Draw();

    // The current message, for the window title and for tests.
    static const std::string& GetTitle() { return sTitle; }
    static const std::string& GetText() { return sText; }
    static int GetType() { return sType; }
    static int GetIconIndex() { return sIconIndex; }
    static bool IsRequested() { return sOpenRequest; }
    // Armed, or open at the popup level of the caller's scope (where Draw runs).
    static bool IsOpen();

private:
    static bool sOpenRequest;
    static int sType;
    static int sIconIndex;
    static std::string sTitle;
    static std::string sText;
    static Callback sCallback;
};

} // namespace orvilaneeditor
