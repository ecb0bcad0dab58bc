#include "ui/LoginDialog.h"

#include "app/ClientSession.h"
#include "app/TipsBox.h"
#include "core/ServerRequest.h"
#include "core/ports/ShellPort.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "ui/GuiThread.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QSvgRenderer>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <mutex>

// The images are compiled into the static ui library; naming their initialiser keeps the linker
// from dropping them. It has to be called from outside any namespace.
static void InitUiResources()
{
    Q_INIT_RESOURCE(borvankh);
}

namespace kh::ui {

namespace {

constexpr int kSuccessPollMs = 100;

// An SVG drawn to the widget's whole size, so it stays sharp at any scale. The banner keeps the
// image's proportions through height-for-width and reports clicks.
class SvgView final : public QWidget
{
public:
    SvgView(const QString& file, QWidget* parent) : QWidget(parent), renderer(file, this)
    {
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    std::function<void()> onClick;

    QSize sizeHint() const override { return renderer.defaultSize(); }
    QSize minimumSizeHint() const override { return renderer.defaultSize(); }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        QSize size = renderer.defaultSize();
        return size.width() > 0 ? width * size.height() / size.width() : 0;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        renderer.render(&painter, rect());
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
            onClick();
    }

private:
    QSvgRenderer renderer;
};

} // namespace

LoginDialog::LoginDialog(kh::ClientSession& session, QWidget* parent) : QDialog(parent), session(session)
{
    InitUiResources();
    setWindowTitle(QStringLiteral("登录"));
    setWindowIcon(QIcon(QStringLiteral(":/app.svg")));

    auto* banner = new SvgView(QStringLiteral(":/banner.svg"), this);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setCursor(Qt::PointingHandCursor);
    banner->onClick = [this] { OpenSitePage("/"); };

    userEdit = new QLineEdit(this);
    userEdit->setObjectName(QStringLiteral("userEdit"));
    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    autoRunBox = new QCheckBox(QStringLiteral("开机启动"), this);
    autoRunBox->setObjectName(QStringLiteral("autoRunBox"));
    savePasswordBox = new QCheckBox(QStringLiteral("记住密码"), this);
    savePasswordBox->setObjectName(QStringLiteral("savePasswordBox"));

    signInButton = new QPushButton(QStringLiteral("登    录"), this);
    signInButton->setObjectName(QStringLiteral("signInButton"));
    signInButton->setDefault(true);
    // Room for the longer caption "正在登录" too, so the button does not change size.
    signInButton->setMinimumWidth(signInButton->fontMetrics().horizontalAdvance(QStringLiteral("正在登录")) + 32);
    auto* registerButton = new QPushButton(QStringLiteral("注    册"), this);
    registerButton->setObjectName(QStringLiteral("registerButton"));
    registerButton->setAutoDefault(false);
    registerButton->setMinimumWidth(signInButton->minimumWidth());
    connect(signInButton, &QPushButton::clicked, this, &LoginDialog::SignIn);
    connect(registerButton, &QPushButton::clicked, this, [this] { OpenSitePage("/user_reg.html"); });

    auto* userLabel = new QLabel(QStringLiteral("用户名："), this);
    userLabel->setBuddy(userEdit);
    auto* passwordLabel = new QLabel(QStringLiteral("密    码："), this);
    passwordLabel->setBuddy(passwordEdit);

    auto* options = new QHBoxLayout;
    options->addWidget(autoRunBox);
    options->addSpacing(16);
    options->addWidget(savePasswordBox);
    options->addStretch(1);

    auto* actions = new QHBoxLayout;
    actions->addWidget(signInButton);
    actions->addSpacing(12);
    actions->addWidget(registerButton);
    actions->addStretch(1);

    auto* form = new QGridLayout;
    form->setContentsMargins(32, 16, 32, 16);
    form->setVerticalSpacing(10);
    form->addWidget(userLabel, 0, 0, Qt::AlignRight);
    form->addWidget(userEdit, 0, 1);
    form->addWidget(passwordLabel, 1, 0, Qt::AlignRight);
    form->addWidget(passwordEdit, 1, 1);
    form->addLayout(options, 2, 1);
    form->addLayout(actions, 3, 1);
    form->setColumnStretch(1, 1);

    // The tips strip: a marker and one wrapped line of text under a rule, hidden until a tip comes.
    tipsRow = new QWidget(this);
    tipsRow->setObjectName(QStringLiteral("tipsRow"));
    auto* rule = new QFrame(tipsRow);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* marker = new QLabel(tipsRow);
    marker->setPixmap(QIcon(QStringLiteral(":/login-tip.svg")).pixmap(QSize(16, 16)));
    marker->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    tipsLine = new QLabel(tipsRow);
    tipsLine->setObjectName(QStringLiteral("tipsLine"));
    tipsLine->setWordWrap(true);
    tipsLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tipsLine->setTextFormat(Qt::PlainText);
    // The dialog's width comes from the banner and the form; a long tip wraps instead of widening it.
    tipsLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* tipsText = new QHBoxLayout;
    tipsText->setContentsMargins(12, 0, 12, 0);
    tipsText->addWidget(marker, 0, Qt::AlignTop);
    tipsText->addWidget(tipsLine, 1);
    auto* tipsLayout = new QVBoxLayout(tipsRow);
    tipsLayout->setContentsMargins(0, 0, 0, 8);
    tipsLayout->addWidget(rule);
    tipsLayout->addLayout(tipsText);
    tipsRow->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The dialog takes the size its contents ask for, and follows it when the tips strip shows or
    // hides: that is the collapsed and the expanded state.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(banner);
    layout->addLayout(form);
    layout->addWidget(tipsRow);

    successPoll = new QTimer(this);
    successPoll->setInterval(kSuccessPollMs);
    connect(successPoll, &QTimer::timeout, this, &LoginDialog::PollSuccess);
}

void LoginDialog::ShowLoginTip(std::string message, std::string error, void* context)
{
    auto* dialog = static_cast<LoginDialog*>(context);
    if (dialog == nullptr)
        return;
    QString text = QString::fromStdU16String(TipDisplayText(message, error));
    RunOnGuiThread(
        dialog, [dialog, text] { dialog->ShowTip(text); }, false);
}

void LoginDialog::SetButtonCaption(const std::u16string& caption)
{
    QString text = QString::fromStdU16String(caption);
    RunOnGuiThread(
        this, [this, text] { signInButton->setText(text); }, false);
}

void LoginDialog::PostSuccessNotice()
{
    RunOnGuiThread(
        this,
        [this] {
            succeeded = true;
            if (session.IsSigningIn())
                successPoll->start();
            else
                PollSuccess();
        },
        false);
}

void LoginDialog::showEvent(QShowEvent* event)
{
    if (!loaded) {
        loaded = true;
        LoadSettings();
    }
    QDialog::showEvent(event);
}

void LoginDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape would end the dialog without the close's checks and saving; it does nothing here.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void LoginDialog::LoadSettings()
{
    ConfigCenter& config = session.Config();
    std::u16string user;
    std::u16string password;
    uint32_t autoRun = 0;
    uint32_t savePassword = 0;
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        user = config.userName;
        password = config.password;
        autoRun = config.autoRun;
        savePassword = config.savePassword;
    }
    userEdit->setText(QString::fromStdU16String(user));
    passwordEdit->setText(QString::fromStdU16String(password));
    autoRunBox->setChecked(autoRun != 0);
    savePasswordBox->setChecked(savePassword != 0);
}

void LoginDialog::StoreControls(bool withOptions)
{
    std::u16string user = userEdit->text().toStdU16String();
    std::u16string password = passwordEdit->text().toStdU16String();
    uint32_t autoRun = autoRunBox->isChecked() ? 1 : 0;
    uint32_t savePassword = savePasswordBox->isChecked() ? 1 : 0;
    ConfigCenter& config = session.Config();
    std::lock_guard<CriticalSection> guard(config.SettingsLock());
    config.userName = user;
    config.password = password;
    if (withOptions) {
        config.autoRun = autoRun;
        config.savePassword = savePassword;
    }
}

void LoginDialog::SignIn()
{
    if (succeeded)
        return;
    // The previous tip goes away until the next one arrives.
    tipsRow->hide();
    StoreControls(false);
    if (!session.IsSigningIn())
        session.StartSignIn();
}

void LoginDialog::ShowTip(const QString& text)
{
    tipsLine->setText(text);
    tipsRow->show();
}

void LoginDialog::PollSuccess()
{
    // The notice comes just before the sign-in worker ends; the dialog closes once it has.
    if (session.IsSigningIn())
        return;
    successPoll->stop();
    StoreControls(true);
    accept();
}

void LoginDialog::reject()
{
    if (succeeded)
        return;
    if (session.IsSigningIn()) {
        ShowTip(QStringLiteral("正在登录，请稍候再关闭！"));
        return;
    }
    StoreControls(true);
    session.Config().Save();
    QDialog::reject();
}

void LoginDialog::OpenSitePage(const char* path)
{
    ShellPort* shell = session.Owner().shell;
    if (shell == nullptr)
        return;
    shell->OpenUrl(AnsiToWide(ServiceUrl(session.Config().GetWebSite(), path)));
}

} // namespace kh::ui
