#include "ui/win32/MessageBoxes.h"

#include "ui/win32/GuiThread.h"

#include <algorithm>

namespace kh::win32 {

namespace {

int QuietAnswer(unsigned flags)
{
    return (flags & kMbTypeMask) == kMbOkCancel ? kIdCancel : kIdOk;
}

// The box being created by the innermost Show of this thread, waiting for its window.
thread_local HWND* boxBeingMade = nullptr;

LRESULT CALLBACK CatchBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && boxBeingMade != nullptr && *boxBeingMade == nullptr) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        // A message box is a dialog: class atom 32770.
        if (create->lpcs->lpszClass == MAKEINTATOM(32770)) {
            *boxBeingMade = reinterpret_cast<HWND>(wParam);
            boxBeingMade = nullptr;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

int MessageBoxes::Show(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned)
{
    return OnGuiThread([&] { return ShowOnGuiThread(text, caption, flags, owned); }, QuietAnswer(flags));
}

int MessageBoxes::ShowOnGuiThread(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned)
{
    bool shutdownQuestion = text == kShutdownQuestion && caption == kShutdownCaption;
    if (shutdownUnderway)
        return shutdownQuestion ? kIdOk : QuietAnswer(flags);

    OpenBox open;
    open.shutdownQuestion = shutdownQuestion;
    HWND* outer = boxBeingMade;
    boxBeingMade = &open.box;
    HHOOK hook = SetWindowsHookExW(WH_CBT, CatchBox, nullptr, GetCurrentThreadId());
    openBoxes.push_back(&open);
    UINT style = (flags & (kMbTypeMask | kMbIconMask | kMbDefMask)) | MB_SETFOREGROUND;
    int result = MessageBoxW(owned ? owner : nullptr, Wide(text), Wide(caption), style);
    openBoxes.erase(std::remove(openBoxes.begin(), openBoxes.end(), &open), openBoxes.end());
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    boxBeingMade = outer;

    // Closed by Escape, by the close box or by AnswerOpenBoxes: Cancel (OK for a box without one),
    // except for the shutdown question answered by a forced shutdown.
    int answer = result == IDOK ? kIdOk : QuietAnswer(flags);
    if (shutdownQuestion && answer == kIdOk) {
        shutdownUnderway = true;
        AnswerOpenBoxes();
    }
    return answer;
}

void MessageBoxes::AnswerShutdownWithoutAsking()
{
    shutdownUnderway = true;
    AnswerOpenBoxes();
}

void MessageBoxes::AnswerOpenBoxes()
{
    // Each box ends once its modal loop sees the command; its Show then returns.
    for (OpenBox* open : openBoxes) {
        if (open->box != nullptr && IsWindow(open->box))
            PostMessageW(open->box, WM_COMMAND, open->shutdownQuestion ? IDOK : IDCANCEL, 0);
    }
}

std::vector<HWND> MessageBoxes::OpenBoxes() const
{
    std::vector<HWND> boxes;
    for (const OpenBox* open : openBoxes) {
        if (open->box != nullptr)
            boxes.push_back(open->box);
    }
    return boxes;
}

} // namespace kh::win32
