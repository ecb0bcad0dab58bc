#pragma once
// The login dialog as the sign-in controller sees it: the caption of its sign-in button and the
// posted success notice (WM_USER + 3 on Windows) after which the dialog closes. Called from the
// sign-in worker (thread rule in UiExecutor.h).

#include <string>

namespace kh {

class LoginDialogPort
{
public:
    virtual ~LoginDialogPort() = default;

    // Synchronous, like a window message.
    virtual void SetButtonCaption(const std::u16string& caption) = 0;
    // Posts the notice and returns at once; it never waits for the GUI thread.
    virtual void PostSuccessNotice() = 0;
};

} // namespace kh
