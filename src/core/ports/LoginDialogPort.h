#pragma once
// The login dialog as the sign-in controller sees it: the caption of its sign-in button and the
// posted success notice (WM_USER + 3 on Windows) after which the dialog closes.

#include <string>

namespace kh {

class LoginDialogPort
{
public:
    virtual ~LoginDialogPort() = default;

    virtual void SetButtonCaption(const std::u16string& caption) = 0;
    virtual void PostSuccessNotice() = 0;
};

} // namespace kh
