#pragma once
// The sign-in dialog, run modally before the main window shows. It holds the remembered user name
// and password and the two start-up options, starts the sign-in, and shows the sign-in tips in a
// strip at its bottom that appears with the first tip (the dialog grows to show it and shrinks
// again when the next attempt starts). The banner opens the web site's home page, the register
// button its registration page. exec() returns Accepted after a successful sign-in, Rejected when
// the user closed the dialog while no sign-in ran (the settings are saved then); closing during a
// sign-in is refused with a tip. Escape does nothing, Enter signs in.
//
// It is the sign-in controller's login dialog port and, through ShowLoginTip with the dialog as
// context, the target of its tips. Both arrive on the sign-in worker and are posted to the GUI
// thread, never waited for. After the success notice a 100 ms timer waits for the worker to end
// before the dialog closes.
//
// The constructor only keeps the session; the settings are read into the controls when the dialog
// is first shown. So the dialog may be built before the settings are loaded, and before the session
// itself when the session is to take the dialog as its login dialog port.

#include "core/ports/LoginDialogPort.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTimer;

namespace kh {
class ClientSession;
}

namespace kh::ui {

class LoginDialog : public QDialog, public kh::LoginDialogPort
{
    Q_OBJECT

public:
    explicit LoginDialog(kh::ClientSession& session, QWidget* parent = nullptr);

    // The sign-in controller's tip callback (SessionControls::loginTip) with the dialog as context
    // (loginTipContext); any thread. Nothing happens when context is null.
    static void ShowLoginTip(std::string message, std::string error, void* context);

    // The login dialog port; any thread.
    void SetButtonCaption(const std::u16string& caption) override;
    void PostSuccessNotice() override;

public slots:
    // Close box, Alt+F4 and close(): refused while a sign-in runs; otherwise the controls are
    // stored, the settings saved and the dialog ends with Rejected.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LoadSettings();
    // Copies the user name and password (and with options both check boxes) into the settings.
    void StoreControls(bool withOptions);
    void SignIn();
    void ShowTip(const QString& text);
    void PollSuccess();
    void OpenSitePage(const char* path);

    kh::ClientSession& session;
    QLineEdit* userEdit = nullptr;
    QLineEdit* passwordEdit = nullptr;
    QCheckBox* autoRunBox = nullptr;
    QCheckBox* savePasswordBox = nullptr;
    QPushButton* signInButton = nullptr;
    QWidget* tipsRow = nullptr;
    QLabel* tipsLine = nullptr;
    QTimer* successPoll = nullptr;
    bool loaded = false;
    // Set by the success notice: the dialog is about to end with Accepted, so neither a close nor
    // another sign-in may intervene.
    bool succeeded = false;
};

} // namespace kh::ui
