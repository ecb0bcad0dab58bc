#pragma once
// Modal message boxes (MessageBoxW) on the GUI thread; the message-box port. The port's flags and
// results are Windows' own. It also knows the shutdown question: once the user has confirmed it,
// every open box is answered with Cancel at once, so the shutdown does not wait for a box nobody
// will look at again, and later questions get Cancel without showing. A forced shutdown (logging
// off Windows) answers the shutdown question with OK without asking.
//
// The box of each call is found as it is created (a CBT hook of the GUI thread), which is how the
// open boxes are answered; OpenBoxes gives them to tests, which press a button like a user.

#include "core/ports/MessageBoxPort.h"
#include "ui/win32/WinApi.h"

#include <vector>

namespace kh::win32 {

class MessageBoxes final : public MessageBoxPort
{
public:
    static constexpr const char16_t* kShutdownQuestion = u"确定要关闭软件吗？";
    static constexpr const char16_t* kShutdownCaption = u"关闭软件";

    // owner: the main window, owner of the boxes shown as owned (may be set later).
    explicit MessageBoxes(HWND owner = nullptr) : owner(owner) {}
    void SetOwner(HWND window) { owner = window; }

    // Any thread; once closing has begun (or when nobody may be asked) the quiet answer: Cancel
    // where the box has one, else OK.
    int Show(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned) override;

    // For a forced shutdown: the shutdown question is answered with OK (an open one too), every
    // other question with Cancel. GUI thread.
    void AnswerShutdownWithoutAsking();
    bool ShutdownUnderway() const { return shutdownUnderway; }

    // The boxes open right now, innermost last. GUI thread.
    std::vector<HWND> OpenBoxes() const;

private:
    struct OpenBox
    {
        HWND box = nullptr;
        bool shutdownQuestion = false;
    };

    int ShowOnGuiThread(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned);
    void AnswerOpenBoxes();

    HWND owner;
    // GUI thread only.
    bool shutdownUnderway = false;
    std::vector<OpenBox*> openBoxes;
};

} // namespace kh::win32
