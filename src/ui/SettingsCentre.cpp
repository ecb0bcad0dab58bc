#include "ui/SettingsCentre.h"

#include "numbers/CodeExtraction.h"
#include "settings/ConfigCenter.h"
#include "ui/GuiThread.h"

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
#include <mutex>
#include <variant>

namespace kh::ui {

namespace {

constexpr uint32_t kMinSeconds = 5;
constexpr uint32_t kMaxSeconds = 60;
constexpr uint32_t kMinMinutes = 1;
constexpr uint32_t kMaxMinutes = 20;
constexpr uint32_t kMsPerSecond = 1000;
constexpr uint32_t kMsPerMinute = 60000;

const QString kPositiveIntegerPrompt = QStringLiteral("请输入一个正整数。");
const QString kRangePrompt = QStringLiteral("请输入一个 %1 至 %2 之间的整数。");
// A rule with an empty keyword finds nothing: asked for before it is stored.
const QString kKeywordPrompt = QStringLiteral("请输入关键词。");

const QString kSample =
    QStringLiteral("例如，短信内容为：\n        【音乐网】感谢您注册！您的验证码为168168，验证码30分钟内"
                   "有效。如非本人操作，请忽略本短信。\n\n");

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

const std::array<QString, 4>& SettingsCentre::HelpTexts()
{
    static const std::array<QString, 4> texts = {
        kSample + QStringLiteral("那么，此提取规则会自动提取短信中 4~8 位的连续数字，即此短信中的验证码 “168168”。"),
        kSample +
            QStringLiteral("那么，此提取规则填写方法为：\n        第一个关键词填 “为”\n        第二个关键词填 “，”\n"
                           "        即可自动提取这两个关键词中间的验证码 “168168”"),
        kSample + QStringLiteral("那么，此提取规则填写方法为：\n        关键词填 “为”\n        位数填 “6”\n"
                                 "        即可自动提取此关键词后的6位验证码 “168168”"),
        kSample + QStringLiteral("那么，此提取规则填写方法为：\n        关键词填 “，”\n        位数填 “6”\n"
                                 "        即可自动提取此关键词前的6位验证码 “168168”"),
    };
    return texts;
}

SettingsCentre::SettingsCentre(kh::ConfigCenter& config, QWidget* parent) : QDialog(parent), config(config)
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

    LoadSmsPage();
    LoadRule(true);
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
    connect(modeGroup, &QButtonGroup::idClicked, this, &SettingsCentre::ModeClicked);

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
        this, [this, page] { SelectPageNow(page); }, true);
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

void SettingsCentre::SelectPageNow(int page)
{
    if (page < 0 || page >= tabs->count())
        return;
    tabs->setCurrentIndex(page);
}

void SettingsCentre::showEvent(QShowEvent* event)
{
    // A window system's own show (restoring from a minimised state) keeps what was typed.
    if (!event->spontaneous()) {
        LoadSmsPage();
        LoadRule(true);
    }
    QDialog::showEvent(event);
}

void SettingsCentre::LoadSmsPage()
{
    uint32_t spaceTime = 0;
    uint32_t timeoutTime = 0;
    bool notify = false;
    bool autoCopy = false;
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        spaceTime = config.spaceTime;
        timeoutTime = config.timeoutTime;
        notify = config.notifyOnCode != 0;
        autoCopy = config.autoCopyCode != 0;
    }
    intervalEdit->setText(QString::number(spaceTime / kMsPerSecond));
    timeoutEdit->setText(QString::number(timeoutTime / kMsPerMinute));
    notifyBox->setChecked(notify);
    autoCopyBox->setChecked(autoCopy);
}

void SettingsCentre::LoadRule(bool allFields)
{
    ExtractRule stored;
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        stored.mode = config.extractMode;
        stored.headKeyword = config.keywordHead;
        stored.tailKeyword = config.keywordTail;
        stored.codeLength = config.codeLength;
    }
    // A stored mode outside the four is shown, and stored on OK, as smart extraction.
    mode = stored.mode <= BeforeKeyword ? static_cast<int>(stored.mode) : static_cast<int>(SmartExtract);
    QString head = QString::fromStdU16String(stored.headKeyword);
    QString tail = QString::fromStdU16String(stored.tailKeyword);
    QString count = QString::number(stored.codeLength);
    if (allFields || mode == BetweenKeywords) {
        betweenHeadEdit->setText(head);
        betweenTailEdit->setText(tail);
    }
    if (allFields || mode == AfterKeyword) {
        afterKeywordEdit->setText(head);
        afterCountEdit->setText(count);
    }
    if (allFields || mode == BeforeKeyword) {
        beforeKeywordEdit->setText(head);
        beforeCountEdit->setText(count);
    }
    modeGroup->button(mode)->setChecked(true);
    helpText->setPlainText(HelpTexts()[mode]);
    EnableMode(mode);
}

void SettingsCentre::EnableMode(int chosen)
{
    for (int m = 0; m < static_cast<int>(groups.size()); ++m)
        for (QWidget* widget : groups[m])
            widget->setEnabled(m == chosen);
}

void SettingsCentre::ModeClicked(int clicked)
{
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        config.extractMode = static_cast<uint32_t>(clicked);
    }
    LoadRule(false);
}

void SettingsCentre::accept()
{
    uint32_t seconds = 0;
    uint32_t minutes = 0;
    ExtractRule rule;
    if (!ReadSmsPage(seconds, minutes) || !ReadRule(rule))
        return;
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        config.spaceTime = seconds * kMsPerSecond;
        config.timeoutTime = minutes * kMsPerMinute;
        config.notifyOnCode = notifyBox->isChecked() ? 1 : 0;
        config.autoCopyCode = autoCopyBox->isChecked() ? 1 : 0;
        config.extractMode = rule.mode;
        config.keywordHead = rule.headKeyword;
        config.keywordTail = rule.tailKeyword;
        config.codeLength = rule.codeLength;
    }
    QDialog::accept();
}

bool SettingsCentre::ReadSmsPage(uint32_t& seconds, uint32_t& minutes)
{
    return ReadRange(intervalEdit, kMinSeconds, kMaxSeconds, seconds) &&
           ReadRange(timeoutEdit, kMinMinutes, kMaxMinutes, minutes);
}

bool SettingsCentre::ReadRange(QLineEdit* edit, uint32_t low, uint32_t high, uint32_t& value)
{
    bool ok = false;
    value = edit->text().toUInt(&ok);
    if (!ok) {
        Refuse(edit, kPositiveIntegerPrompt);
        return false;
    }
    if (value < low || value > high) {
        Refuse(edit, kRangePrompt.arg(low).arg(high));
        return false;
    }
    return true;
}

bool SettingsCentre::ReadRule(ExtractRule& rule)
{
    // The fields of the other modes are not stored; the values they would replace are kept.
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        rule.headKeyword = config.keywordHead;
        rule.tailKeyword = config.keywordTail;
        rule.codeLength = config.codeLength;
    }
    rule.mode = static_cast<uint32_t>(mode);
    QLineEdit* keywordEdit = nullptr;
    QLineEdit* countEdit = nullptr;
    switch (mode) {
    case BetweenKeywords:
        if (betweenHeadEdit->text().isEmpty()) {
            Refuse(betweenHeadEdit, kKeywordPrompt);
            return false;
        }
        if (betweenTailEdit->text().isEmpty()) {
            Refuse(betweenTailEdit, kKeywordPrompt);
            return false;
        }
        rule.headKeyword = betweenHeadEdit->text().toStdU16String();
        rule.tailKeyword = betweenTailEdit->text().toStdU16String();
        break;
    case AfterKeyword:
        keywordEdit = afterKeywordEdit;
        countEdit = afterCountEdit;
        break;
    case BeforeKeyword:
        keywordEdit = beforeKeywordEdit;
        countEdit = beforeCountEdit;
        break;
    default:
        break;
    }
    if (keywordEdit != nullptr) {
        if (keywordEdit->text().isEmpty()) {
            Refuse(keywordEdit, kKeywordPrompt);
            return false;
        }
        bool ok = false;
        rule.headKeyword = keywordEdit->text().toStdU16String();
        rule.codeLength = countEdit->text().toUInt(&ok);
        // A count of 0 (or one too large to take) finds nothing: it is not a positive integer.
        if (!ok || !IsRuleValid(rule)) {
            Refuse(countEdit, kPositiveIntegerPrompt);
            return false;
        }
    }
    return true;
}

void SettingsCentre::Refuse(QLineEdit* edit, const QString& text)
{
    // Show the page of the refused field, prompt, then put the user back into the field.
    for (int page = 0; page < tabs->count(); ++page)
        if (tabs->widget(page)->isAncestorOf(edit))
            tabs->setCurrentIndex(page);
    QMessageBox::warning(this, windowTitle(), text);
    edit->setFocus();
    edit->selectAll();
}

} // namespace kh::ui
