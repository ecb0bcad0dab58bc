#pragma once
// The sign-in dialog in Qt, the login presenter's view (desktop/LoginView.h): the banner, the user
// name and password, the two start-up options, the sign-in and register buttons, and the tips
// strip at its bottom, hidden until a tip comes (the dialog grows to show it and shrinks again when
// it hides). It reports the user's actions to the presenter and decides nothing; Escape and the
// close box are reported, never acted on here.

#include "desktop/LoginView.h"

#include <QDialog>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTimer;

namespace kh::ui {

class LoginDialog final : public QDialog, public desktop::LoginView
{
    Q_OBJECT

public:
    explicit LoginDialog(QWidget* parent = nullptr);

    // LoginView; GUI thread.
    void SetPresenter(desktop::LoginPresenter* presenter) override;
    desktop::LoginFields ReadFields() override;
    void ShowFields(const desktop::LoginFields& fields) override;
    void SetSignInCaption(const std::u16string& caption) override;
    void ShowTip(const std::u16string& text) override;
    void HideTip() override;
    void StartTimer(int intervalMs) override;
    void StopTimer() override;
    bool RunModal() override;
    void End(bool accepted) override;

public slots:
    // Close box, Alt+F4 and close(): reported to the presenter, which ends the dialog or not.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The steps of the constructor.
    QWidget* BuildBanner();
    void BuildFields();
    void BuildButtons();
    QWidget* BuildTipsRow();
    void LayOut(QWidget* banner, QWidget* tips);

    desktop::LoginPresenter* presenter = nullptr;
    QLineEdit* userEdit = nullptr;
    QLineEdit* passwordEdit = nullptr;
    QCheckBox* autoRunBox = nullptr;
    QCheckBox* savePasswordBox = nullptr;
    QPushButton* signInButton = nullptr;
    QPushButton* registerButton = nullptr;
    QWidget* tipsRow = nullptr;
    QLabel* tipsMarker = nullptr;
    QLabel* tipsLine = nullptr;
    QTimer* timer = nullptr;
};

} // namespace kh::ui
