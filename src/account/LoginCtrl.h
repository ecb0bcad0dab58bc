#pragma once
// Signs the user in: on a worker of its own it sends one /login request with the user name and
// password from ConfigCenter, stores the returned token there and posts the success notice to the
// login dialog. Its tips go to the login dialog, not to the tips box. Used by the login dialog.

#include "core/Manager.h"

#include <string>

namespace kh {

class LoginDialogPort;

class LoginCtrl final : public Manager
{
public:
    // owner reaches ConfigCenter; dialog is the login dialog (button caption, success notice).
    LoginCtrl(OwnerWindow* owner, LoginDialogPort* dialog, TipCallback callback, void* context);
    // Waits until a running sign-in has ended (its request is not cut short).
    ~LoginCtrl();

    // Starts one sign-in attempt; ignored while one runs.
    void StartLogin();

private:
    void LoginJob();
    void ReadCredentials(std::string& user, std::string& pwd);
    bool RequestLogin(const std::string& user, const std::string& pwd);
    void PublishToken();
    void SetButtonCaption(const std::u16string& caption);

    LoginDialogPort* dialog;
    // The token member of the latest /login reply; used only by the worker.
    std::string token;
};

} // namespace kh
