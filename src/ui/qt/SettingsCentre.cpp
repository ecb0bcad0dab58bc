#include "ui/qt/SettingsCentre.h"

#include "desktop/SettingsPresenter.h"
#include "numbers/ExtractRule.h"
#include "ui/qt/GuiThread.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <initializer_list>
#include <variant>

namespace kh::ui {

namespace {

QLineEdit* NumberEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    // Digits only: a count or a time is never signed, and a number too long for 32 bits is refused
    // when it is read.
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), edit));
    edit->setMaxLength(10);
    // Wide enough for "60" or "20" and a little room, in the font's own units.
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 6 + 12);
    return edit;
}

QLineEdit* KeywordEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    // One width for every keyword field, so the rows of the four modes line up.
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(6, QChar(0x8BCD))) + 12);
    return edit;
}

} // namespace

SettingsCentre::SettingsCentre(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("设置中心"));
    setModal(false);

    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("pages"));
    tabs->addTab(BuildSmsPage(), QStringLiteral("获取短信"));
    tabs->addTab(BuildRulePage(), QStringLiteral("提取规则"));

    // Plain buttons, none of them the default: Enter in a field does nothing, Enter on a focused
    // button presses it.
    auto* okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(okButton, &QPushButton::clicked, this, &SettingsCentre::accept);
    connect(cancelButton, &QPushButton::clicked, this, &SettingsCentre::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addLayout(buttons);

    adjustSize();
}

QWidget* SettingsCentre::BuildSmsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("smsPage"));
    intervalEdit = NumberEdit(page, "intervalEdit");
    timeoutEdit = NumberEdit(page, "timeoutEdit");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("自动获取短信，间隔时间："), page), 0, 0);
    grid->addWidget(intervalEdit, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("秒（5~60之间）"), page), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("自动获取短信，超时时间："), page), 1, 0);
    grid->addWidget(timeoutEdit, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("分钟（1~20之间）"), page), 1, 2);
    grid->setColumnStretch(3, 1);
    grid->setVerticalSpacing(14);

    notifyBox = new QCheckBox(QStringLiteral("收到验证码时显示桌面通知"), page);
    notifyBox->setObjectName(QStringLiteral("notifyBox"));
    notifyBox->setToolTip(QStringLiteral("通知中显示手机号码和验证码，点击通知可打开主窗口"));
    autoCopyBox = new QCheckBox(QStringLiteral("自动复制新验证码到剪贴板"), page);
    autoCopyBox->setObjectName(QStringLiteral("autoCopyBox"));
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(notifyBox);
    codeRow->addSpacing(16);
    codeRow->addWidget(autoCopyBox);
    codeRow->addStretch(1);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addLayout(grid);
    layout->addSpacing(14);
    layout->addLayout(codeRow);
    layout->addStretch(1);
    return page;
}

QWidget* SettingsCentre::BuildRulePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("rulePage"));

    modeGroup = new QButtonGroup(page);
    const char* names[] = {"smartRadio", "betweenRadio", "afterRadio", "beforeRadio"};
    const QString captions[] = {QStringLiteral("智能提取"), QStringLiteral("关键词中间"), QStringLiteral("关键词后"),
                                QStringLiteral("关键词前")};
    std::array<QRadioButton*, 4> radios{};
    for (int m = 0; m < 4; ++m) {
        radios[m] = new QRadioButton(captions[m], page);
        radios[m]->setObjectName(QLatin1String(names[m]));
        modeGroup->addButton(radios[m], m);
    }
    // Only a click by the user stores a mode; setting the checked button from the settings does not
    // emit idClicked.
    connect(modeGroup, &QButtonGroup::idClicked, this, [this](int mode) {
        if (presenter != nullptr)
            presenter->OnModeClicked(mode);
    });

    betweenHeadEdit = KeywordEdit(page, "betweenHeadEdit");
    betweenTailEdit = KeywordEdit(page, "betweenTailEdit");
    afterKeywordEdit = KeywordEdit(page, "afterKeywordEdit");
    afterCountEdit = NumberEdit(page, "afterCountEdit");
    beforeKeywordEdit = KeywordEdit(page, "beforeKeywordEdit");
    beforeCountEdit = NumberEdit(page, "beforeCountEdit");

    // One row of labels and fields, indented under its radio button; every widget of the row joins
    // the mode's group.
    auto row = [page](std::vector<QWidget*>& group,
                      std::initializer_list<std::variant<const char16_t*, QLineEdit*>> parts) {
        auto* line = new QHBoxLayout;
        line->addSpacing(24);
        for (const auto& part : parts) {
            QWidget* widget = nullptr;
            if (const auto* text = std::get_if<const char16_t*>(&part))
                widget = new QLabel(QString::fromUtf16(*text), page);
            else
                widget = std::get<QLineEdit*>(part);
            line->addWidget(widget);
            group.push_back(widget);
        }
        line->addStretch(1);
        return line;
    };

    auto* left = new QVBoxLayout;
    left->addWidget(radios[SmartExtract]);
    left->addSpacing(6);
    left->addWidget(radios[BetweenKeywords]);
    left->addLayout(row(groups[BetweenKeywords], {u"关键词", betweenHeadEdit, u"与"}));
    left->addLayout(row(groups[BetweenKeywords], {u"关键词", betweenTailEdit, u"中间"}));
    left->addSpacing(6);
    left->addWidget(radios[AfterKeyword]);
    left->addLayout(row(groups[AfterKeyword], {u"关键词", afterKeywordEdit, u"后", afterCountEdit, u"位"}));
    left->addSpacing(6);
    left->addWidget(radios[BeforeKeyword]);
    left->addLayout(row(groups[BeforeKeyword], {u"关键词", beforeKeywordEdit, u"前", beforeCountEdit, u"位"}));
    left->addStretch(1);

    helpText = new QPlainTextEdit(page);
    helpText->setObjectName(QStringLiteral("helpText"));
    helpText->setReadOnly(true);
    helpText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // About twenty characters a line and the sample's lines without much scrolling.
    helpText->setMinimumWidth(helpText->fontMetrics().horizontalAdvance(QString(20, QChar(0x9A8C))));
    helpText->setMinimumHeight(helpText->fontMetrics().lineSpacing() * 11);

    auto* layout = new QHBoxLayout(page);
    layout->setSpacing(16);
    layout->addLayout(left);
    layout->addWidget(helpText, 1);
    return page;
}

void SettingsCentre::SelectPage(int page)
{
    RunOnGuiThread(
        this,
        [this, page] {
            if (page >= 0 && page < tabs->count())
                tabs->setCurrentIndex(page);
        },
        true);
}

void SettingsCentre::Centre()
{
    RunOnGuiThread(
        this,
        [this] {
            QScreen* display = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
            if (display == nullptr)
                return;
            QRect frame = frameGeometry();
            frame.moveCenter(display->availableGeometry().center());
            move(frame.topLeft());
        },
        true);
}

void SettingsCentre::Show()
{
    RunOnGuiThread(
        this,
        [this] {
            show();
            raise();
            activateWindow();
        },
        true);
}

int SettingsCentre::CurrentPage()
{
    return tabs->currentIndex();
}

void SettingsCentre::SetPresenter(desktop::SettingsPresenter* owner)
{
    presenter = owner;
}

QLineEdit* SettingsCentre::Field(desktop::SettingsField field) const
{
    switch (field) {
    case desktop::SettingsField::Interval:
        return intervalEdit;
    case desktop::SettingsField::Timeout:
        return timeoutEdit;
    case desktop::SettingsField::BetweenHead:
        return betweenHeadEdit;
    case desktop::SettingsField::BetweenTail:
        return betweenTailEdit;
    case desktop::SettingsField::AfterKeyword:
        return afterKeywordEdit;
    case desktop::SettingsField::AfterCount:
        return afterCountEdit;
    case desktop::SettingsField::BeforeKeyword:
        return beforeKeywordEdit;
    case desktop::SettingsField::BeforeCount:
        return beforeCountEdit;
    }
    return intervalEdit;
}

QCheckBox* SettingsCentre::Option(desktop::SettingsOption option) const
{
    return option == desktop::SettingsOption::NotifyOnCode ? notifyBox : autoCopyBox;
}

std::u16string SettingsCentre::FieldText(desktop::SettingsField field)
{
    return Field(field)->text().toStdU16String();
}

void SettingsCentre::SetFieldText(desktop::SettingsField field, const std::u16string& text)
{
    Field(field)->setText(QString::fromStdU16String(text));
}

bool SettingsCentre::IsOptionChecked(desktop::SettingsOption option)
{
    return Option(option)->isChecked();
}

void SettingsCentre::SetOptionChecked(desktop::SettingsOption option, bool checked)
{
    Option(option)->setChecked(checked);
}

void SettingsCentre::SetMode(int mode)
{
    // Setting the checked button does not emit idClicked: only the user's click is reported.
    if (QAbstractButton* button = modeGroup->button(mode))
        button->setChecked(true);
}

void SettingsCentre::SetHelpText(const std::u16string& text)
{
    // The help texts end their lines with CR LF, as an edit control wants them; Qt's text takes LF.
    helpText->setPlainText(QString::fromStdU16String(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void SettingsCentre::EnableModeFields(int mode, bool enabled)
{
    if (mode < 0 || mode >= static_cast<int>(groups.size()))
        return;
    for (QWidget* widget : groups[static_cast<size_t>(mode)])
        widget->setEnabled(enabled);
}

void SettingsCentre::ShowPrompt(const std::u16string& text)
{
    QMessageBox::warning(this, windowTitle(), QString::fromStdU16String(text));
}

void SettingsCentre::FocusField(desktop::SettingsField field)
{
    QLineEdit* edit = Field(field);
    edit->setFocus();
    edit->selectAll();
}

void SettingsCentre::Close()
{
    QDialog::done(QDialog::Rejected);
}

void SettingsCentre::accept()
{
    if (presenter != nullptr)
        presenter->OnOk();
}

void SettingsCentre::reject()
{
    if (presenter != nullptr)
        presenter->OnCancel();
    else
        Close();
}

void SettingsCentre::showEvent(QShowEvent* event)
{
    // A window system's own show (restoring from a minimised state) keeps what was typed.
    if (presenter != nullptr && !event->spontaneous())
        presenter->OnShown();
    QDialog::showEvent(event);
}

} // namespace kh::ui
