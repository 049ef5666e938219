#pragma once

#include <functional>
#include <string>
#include <vector>

#include <imgui.h>

namespace orvilaneeditor
{

// The program-wide modal messages: an icon, a wrapped text and "Ok" or
// "Yes"/"No". A message opens over whatever modal is open when it is shown (a
// file dialog, the progress modal, another message), which is there as it was
// once the message is answered. UI thread only.
class MessagePopup
{
public:
    using Callback = std::function<void(bool)>;

    static constexpr int kWarning = 0;
    static constexpr int kQuestion = 1;
    static constexpr int kError = 2;

    // Armed here, opened by a later Draw. The callback gets true for "Yes",
    // false for "No" and "Ok", after the popup has closed. A message equal to
    // one already armed or open (same type, so title, and text) is not added
    // again: asking twice gives one question, answered once.
    static void Show(int type, const char* text, const Callback& callback);
    // Per frame, once from the frame's root after every modal, and by every
    // modal popup right before its EndPopup: an armed message opens from within
    // the innermost modal shown, so it stacks over that modal instead of
    // replacing it; each message is drawn from within the one beneath it.
    static void Draw();

    // What a message shows: its title and icon follow its type.
    struct Shown
    {
        int type = kWarning;
        std::string title;
        int iconIndex = 0;
        std::string text;
    };
    // The messages armed or open, bottom first.
    static std::vector<Shown> GetStack();
    // Some message is armed or open.
    static bool IsOpen() { return !sMessages.empty(); }

private:
    struct Message
    {
        int type = kWarning;
        std::string text;
        Callback callback;
        std::string window; // its popup's name, unique in the stack; empty while armed
        ImGuiID popupId = 0;
        int level = 0; // how many popups were begun around the Draw that opened it
    };

    // Opens message index from the caller's scope.
    static void Open(size_t index);
    // Draws message index and, from within it, the ones above; an answered
    // message is removed and its callback called.
    static void DrawMessage(size_t index);
    // Messages whose popup the UI closed (with the modal beneath them) are armed again.
    static void RearmClosed();

    // Bottom first; only the last one takes input.
    static std::vector<Message> sMessages;
};

} // namespace orvilaneeditor
