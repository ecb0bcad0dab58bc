#include "ui/qt/LoginDialog.h"

#include "desktop/LoginPresenter.h"

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

// The images are compiled into the static ui library; naming their initialiser keeps the linker
// from dropping them. It has to be called from outside any namespace.
static void InitUiResources()
{
    Q_INIT_RESOURCE(borvankh);
}

namespace kh::ui {

namespace {

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

LoginDialog::LoginDialog(QWidget* parent) : QDialog(parent)
{
    InitUiResources();
    setWindowTitle(QStringLiteral("登录"));
    // No icon of its own: the application's, which the client sets once the dialog is on the screen.
    QWidget* banner = BuildBanner();
    BuildFields();
    BuildButtons();
    LayOut(banner, BuildTipsRow());
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        if (presenter != nullptr)
            presenter->OnTimer();
    });
}

QWidget* LoginDialog::BuildBanner()
{
    auto* banner = new SvgView(QStringLiteral(":/banner.svg"), this);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setCursor(Qt::PointingHandCursor);
    banner->onClick = [this] {
        if (presenter != nullptr)
            presenter->OnBannerClicked();
    };
    return banner;
}

void LoginDialog::BuildFields()
{
    userEdit = new QLineEdit(this);
    userEdit->setObjectName(QStringLiteral("userEdit"));
    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    autoRunBox = new QCheckBox(QStringLiteral("开机启动"), this);
    autoRunBox->setObjectName(QStringLiteral("autoRunBox"));
    savePasswordBox = new QCheckBox(QStringLiteral("记住密码"), this);
    savePasswordBox->setObjectName(QStringLiteral("savePasswordBox"));
}

void LoginDialog::BuildButtons()
{
    signInButton = new QPushButton(QStringLiteral("登    录"), this);
    signInButton->setObjectName(QStringLiteral("signInButton"));
    // The default button: Enter signs in.
    signInButton->setDefault(true);
    // Room for the longer caption "正在登录" too, so the button does not change size.
    signInButton->setMinimumWidth(signInButton->fontMetrics().horizontalAdvance(QStringLiteral("正在登录")) + 32);
    registerButton = new QPushButton(QStringLiteral("注    册"), this);
    registerButton->setObjectName(QStringLiteral("registerButton"));
    registerButton->setAutoDefault(false);
    registerButton->setMinimumWidth(signInButton->minimumWidth());
    connect(signInButton, &QPushButton::clicked, this, [this] {
        if (presenter != nullptr)
            presenter->OnSignIn();
    });
    connect(registerButton, &QPushButton::clicked, this, [this] {
        if (presenter != nullptr)
            presenter->OnRegisterClicked();
    });
}

QWidget* LoginDialog::BuildTipsRow()
{
    // A marker and one wrapped line of text under a rule, hidden until a tip comes.
    tipsRow = new QWidget(this);
    tipsRow->setObjectName(QStringLiteral("tipsRow"));
    auto* rule = new QFrame(tipsRow);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    // The marker's image is drawn when the first tip comes, not while the dialog is being built.
    auto* marker = new QLabel(tipsRow);
    marker->setFixedSize(16, 16);
    marker->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    tipsMarker = marker;
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
    return tipsRow;
}

void LoginDialog::LayOut(QWidget* banner, QWidget* tips)
{
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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The dialog takes the size its contents ask for, and follows it when the tips strip shows or
    // hides: that is the collapsed and the expanded state.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(banner);
    layout->addLayout(form);
    layout->addWidget(tips);
}

void LoginDialog::SetPresenter(desktop::LoginPresenter* owner)
{
    presenter = owner;
}

desktop::LoginFields LoginDialog::ReadFields()
{
    return {userEdit->text().toStdU16String(), passwordEdit->text().toStdU16String(), autoRunBox->isChecked(),
            savePasswordBox->isChecked()};
}

void LoginDialog::ShowFields(const desktop::LoginFields& fields)
{
    userEdit->setText(QString::fromStdU16String(fields.user));
    passwordEdit->setText(QString::fromStdU16String(fields.password));
    autoRunBox->setChecked(fields.autoRun);
    savePasswordBox->setChecked(fields.savePassword);
}

void LoginDialog::SetSignInCaption(const std::u16string& caption)
{
    signInButton->setText(QString::fromStdU16String(caption));
}

void LoginDialog::ShowTip(const std::u16string& text)
{
    if (tipsMarker->pixmap().isNull())
        tipsMarker->setPixmap(QIcon(QStringLiteral(":/login-tip.svg")).pixmap(QSize(16, 16)));
    tipsLine->setText(QString::fromStdU16String(text));
    tipsRow->show();
}

void LoginDialog::HideTip()
{
    tipsRow->hide();
}

void LoginDialog::StartTimer(int intervalMs)
{
    timer->start(intervalMs);
}

void LoginDialog::StopTimer()
{
    timer->stop();
}

bool LoginDialog::RunModal()
{
    return exec() == QDialog::Accepted;
}

void LoginDialog::End(bool accepted)
{
    QDialog::done(accepted ? QDialog::Accepted : QDialog::Rejected);
}

void LoginDialog::reject()
{
    if (presenter != nullptr)
        presenter->OnCloseRequested();
}

void LoginDialog::showEvent(QShowEvent* event)
{
    if (presenter != nullptr && !event->spontaneous())
        presenter->OnShown();
    QDialog::showEvent(event);
}

void LoginDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape would end the dialog through QDialog's own handling; it is the presenter's to decide.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (presenter != nullptr)
            presenter->OnEscape();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kh::ui
