// The settings centre and its presenter against a settings record: what each page shows, what OK stores, what a
// refused field prompts and keeps, and the port called from another thread.

#include "ui/qt/SettingsCentre.h"

#include "desktop/SettingsPresenter.h"
#include "settings/ConfigCenter.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

using kh::ui::SettingsCentre;

namespace {

// Answers every message box that becomes the active modal widget with OK and keeps its text.
class MessageBoxAnswerer
{
public:
    MessageBoxAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        timer.start(10);
    }

    QStringList texts;

private:
    QTimer timer;
};

// The help text of a mode as the centre shows it (its lines end with LF in Qt's text).
QString HelpText(uint mode)
{
    return QString::fromStdU16String(kh::desktop::SettingsPresenter::HelpText(int(mode)))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

struct RuleValues
{
    uint32_t mode;
    std::u16string head;
    std::u16string tail;
    uint32_t length;
};

} // namespace

class SettingsCentreTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ShowsStoredTimesInSecondsAndMinutes();
    void RefusesTimesOutOfRangeAndStoresNothing_data();
    void RefusesTimesOutOfRangeAndStoresNothing();
    void IntervalSetElsewhereShowsClampedAndBlocksNoOtherPage();
    void CancelDiscardsWhatWasTyped();
    void CodeBoxesShowAndStoreTheirSettings();
    void ModeClickStoresModeAtOnceAndEnablesItsFields_data();
    void ModeClickStoresModeAtOnceAndEnablesItsFields();
    void StoredModeAboveThreeShowsAsSmart();
    void OkStoresTheRuleOfTheChosenMode_data();
    void OkStoresTheRuleOfTheChosenMode();
    void RefusesRuleThatCannotFindACode_data();
    void RefusesRuleThatCannotFindACode();
    void PortCallsFromAWorkerSelectThePage();

private:
    QLineEdit* Edit(const char* name) { return centre->findChild<QLineEdit*>(QLatin1String(name)); }
    QCheckBox* Box(const char* name) { return centre->findChild<QCheckBox*>(QLatin1String(name)); }
    QRadioButton* Radio(const char* name) { return centre->findChild<QRadioButton*>(QLatin1String(name)); }
    QTabWidget* Tabs() { return centre->findChild<QTabWidget*>(QStringLiteral("pages")); }
    void ClickOk() { centre->findChild<QPushButton*>(QStringLiteral("okButton"))->click(); }
    void ClickCancel() { centre->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click(); }
    void StoreRule(const RuleValues& rule);
    RuleValues StoredRule();

    std::unique_ptr<kh::ConfigCenter> config;
    std::unique_ptr<SettingsCentre> centre;
    std::unique_ptr<kh::desktop::SettingsPresenter> presenter;
};

void SettingsCentreTest::init()
{
    config = std::make_unique<kh::ConfigCenter>(nullptr, nullptr, nullptr);
    config->ResetToDefaults();
    centre = std::make_unique<SettingsCentre>();
    presenter = std::make_unique<kh::desktop::SettingsPresenter>(*centre, *config);
}

void SettingsCentreTest::cleanup()
{
    presenter.reset();
    centre.reset();
    config.reset();
}

void SettingsCentreTest::StoreRule(const RuleValues& rule)
{
    config->Update([&](kh::SettingsValues& values) {
        values.extractMode = rule.mode;
        values.keywordHead = rule.head;
        values.keywordTail = rule.tail;
        values.codeLength = rule.length;
    });
}

RuleValues SettingsCentreTest::StoredRule()
{
    kh::SettingsValues stored = config->Snapshot();
    return {stored.extractMode, stored.keywordHead, stored.keywordTail, stored.codeLength};
}

void SettingsCentreTest::ShowsStoredTimesInSecondsAndMinutes()
{
    config->Update([&](kh::SettingsValues& values) {
        values.spaceTime = 12345;
        values.timeoutTime = 185000;
    });
    QVERIFY(!centre->isVisible());
    centre->Show();
    QVERIFY(centre->isVisible());
    QCOMPARE(Edit("intervalEdit")->text(), QStringLiteral("12"));
    QCOMPARE(Edit("timeoutEdit")->text(), QStringLiteral("3"));

    // OK without a change stores the whole seconds and minutes shown.
    ClickOk();
    QVERIFY(!centre->isVisible());
    QCOMPARE(config->Snapshot().spaceTime, 12000u);
    QCOMPARE(config->Snapshot().timeoutTime, 180000u);
}

void SettingsCentreTest::RefusesTimesOutOfRangeAndStoresNothing_data()
{
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("refusedField");
    QTest::newRow("4 s") << "4"
                         << "10" << QStringLiteral("请输入一个 5 至 60 之间的整数。") << "intervalEdit";
    QTest::newRow("61 s") << "61"
                          << "10" << QStringLiteral("请输入一个 5 至 60 之间的整数。") << "intervalEdit";
    QTest::newRow("0 min") << "30"
                           << "0" << QStringLiteral("请输入一个 1 至 20 之间的整数。") << "timeoutEdit";
    QTest::newRow("21 min") << "30"
                            << "21" << QStringLiteral("请输入一个 1 至 20 之间的整数。") << "timeoutEdit";
    QTest::newRow("empty s") << ""
                             << "10" << QStringLiteral("请输入一个正整数。") << "intervalEdit";
    QTest::newRow("too large") << "9999999999"
                               << "10" << QStringLiteral("请输入一个正整数。") << "intervalEdit";
    // Only the first refused field is reported.
    QTest::newRow("both bad") << "4"
                              << "0" << QStringLiteral("请输入一个 5 至 60 之间的整数。") << "intervalEdit";
}

void SettingsCentreTest::RefusesTimesOutOfRangeAndStoresNothing()
{
    QFETCH(QString, seconds);
    QFETCH(QString, minutes);
    QFETCH(QString, prompt);
    QFETCH(QString, refusedField);
    StoreRule({0, u"旧", u"", 6});
    centre->SelectPage(kh::SettingsCentrePort::kExtractRulePage);
    centre->Show();
    Edit("intervalEdit")->setText(seconds);
    Edit("timeoutEdit")->setText(minutes);
    Radio("afterRadio")->click();
    Edit("afterKeywordEdit")->setText(QStringLiteral("为"));

    MessageBoxAnswerer answerer;
    ClickOk();
    QCOMPARE(answerer.texts, QStringList{prompt});
    QVERIFY(centre->isVisible());
    QCOMPARE(Tabs()->currentIndex(), int(kh::SettingsCentrePort::kGetSmsPage));
    QCOMPARE(centre->focusWidget(), Edit(refusedField.toLatin1().constData()));
    QCOMPARE(config->Snapshot().spaceTime, 10000u);
    QCOMPARE(config->Snapshot().timeoutTime, 600000u);
    // The rule page is not stored either; only the mode clicked above is.
    QCOMPARE(config->Snapshot().extractMode, 2u);
    QCOMPARE(config->Snapshot().keywordHead, std::u16string(u"旧"));
}

// The terminal client stores any interval; the centre shows it clamped and stores the clamped
// value only when OK is pressed on its page, so OK on the rule page goes through untouched.
void SettingsCentreTest::IntervalSetElsewhereShowsClampedAndBlocksNoOtherPage()
{
    config->Update([](kh::SettingsValues& values) { values.spaceTime = 1000; });
    centre->SelectPage(kh::SettingsCentrePort::kExtractRulePage);
    centre->Show();
    QCOMPARE(Edit("intervalEdit")->text(), QStringLiteral("5"));
    Radio("afterRadio")->click();
    Edit("afterKeywordEdit")->setText(QStringLiteral("为"));
    MessageBoxAnswerer answerer;
    ClickOk();
    QCOMPARE(answerer.texts, QStringList{});
    QVERIFY(!centre->isVisible());
    QCOMPARE(config->Snapshot().spaceTime, 1000u);
    QCOMPARE(config->Snapshot().keywordHead, std::u16string(u"为"));

    centre->Show();
    Tabs()->setCurrentIndex(kh::SettingsCentrePort::kGetSmsPage);
    ClickOk();
    QVERIFY(!centre->isVisible());
    QCOMPARE(config->Snapshot().spaceTime, 5000u);
}

void SettingsCentreTest::CancelDiscardsWhatWasTyped()
{
    StoreRule({1, u"为", u"，", 6});
    centre->Show();
    Edit("intervalEdit")->setText(QStringLiteral("30"));
    Edit("betweenHeadEdit")->setText(QStringLiteral("码"));
    Edit("afterCountEdit")->setText(QStringLiteral("9"));
    ClickCancel();
    QVERIFY(!centre->isVisible());
    QCOMPARE(config->Snapshot().spaceTime, 10000u);
    QCOMPARE(StoredRule().head, std::u16string(u"为"));

    centre->Show();
    QCOMPARE(Edit("intervalEdit")->text(), QStringLiteral("10"));
    QCOMPARE(Edit("betweenHeadEdit")->text(), QStringLiteral("为"));
    QCOMPARE(Edit("afterCountEdit")->text(), QStringLiteral("6"));
}

// The notification and auto-copy boxes of the SMS page: loaded when shown, stored by OK only, and
// (like the times) not stored while another field is refused.
void SettingsCentreTest::CodeBoxesShowAndStoreTheirSettings()
{
    auto stored = [&] {
        kh::SettingsValues stored = config->Snapshot();
        return QList<uint32_t>({stored.notifyOnCode, stored.autoCopyCode});
    };
    centre->Show();
    QCOMPARE(Box("notifyBox")->text(), QStringLiteral("收到验证码时显示桌面通知"));
    QCOMPARE(Box("autoCopyBox")->text(), QStringLiteral("自动复制新验证码到剪贴板"));
    QVERIFY(Box("notifyBox")->isChecked());
    QVERIFY(!Box("autoCopyBox")->isChecked());

    QTest::mouseClick(Box("notifyBox"), Qt::LeftButton, {}, QPoint(5, Box("notifyBox")->height() / 2));
    QTest::mouseClick(Box("autoCopyBox"), Qt::LeftButton, {}, QPoint(5, Box("autoCopyBox")->height() / 2));
    QCOMPARE(stored(), QList<uint32_t>({1, 0}));
    ClickCancel();
    QCOMPARE(stored(), QList<uint32_t>({1, 0}));

    centre->Show();
    QVERIFY(Box("notifyBox")->isChecked());
    Box("notifyBox")->setChecked(false);
    Box("autoCopyBox")->setChecked(true);
    {
        MessageBoxAnswerer answerer;
        Edit("intervalEdit")->setText(QStringLiteral("4"));
        ClickOk();
        QCOMPARE(answerer.texts, QStringList({QStringLiteral("请输入一个 5 至 60 之间的整数。")}));
    }
    QCOMPARE(stored(), QList<uint32_t>({1, 0}));
    Edit("intervalEdit")->setText(QStringLiteral("5"));
    ClickOk();
    QVERIFY(!centre->isVisible());
    QCOMPARE(stored(), QList<uint32_t>({0, 1}));

    centre->Show();
    QVERIFY(!Box("notifyBox")->isChecked());
    QVERIFY(Box("autoCopyBox")->isChecked());
}

void SettingsCentreTest::ModeClickStoresModeAtOnceAndEnablesItsFields_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<uint>("mode");
    QTest::addColumn<QStringList>("enabledFields");
    QTest::newRow("smart") << "smartRadio" << 0u << QStringList{};
    QTest::newRow("between") << "betweenRadio" << 1u << QStringList{"betweenHeadEdit", "betweenTailEdit"};
    QTest::newRow("after") << "afterRadio" << 2u << QStringList{"afterKeywordEdit", "afterCountEdit"};
    QTest::newRow("before") << "beforeRadio" << 3u << QStringList{"beforeKeywordEdit", "beforeCountEdit"};
}

void SettingsCentreTest::ModeClickStoresModeAtOnceAndEnablesItsFields()
{
    QFETCH(QString, radio);
    QFETCH(uint, mode);
    QFETCH(QStringList, enabledFields);
    // Start from another mode, so that every click is a change.
    StoreRule({mode == 1 ? 2u : 1u, u"为", u"，", 6});
    centre->Show();
    Radio(radio.toLatin1().constData())->click();
    QCOMPARE(config->Snapshot().extractMode, mode);
    QCOMPARE(centre->findChild<QPlainTextEdit*>(QStringLiteral("helpText"))->toPlainText(), HelpText(mode));
    for (const char* field : {"betweenHeadEdit", "betweenTailEdit", "afterKeywordEdit", "afterCountEdit",
                              "beforeKeywordEdit", "beforeCountEdit"})
        QCOMPARE(Edit(field)->isEnabled(), enabledFields.contains(QLatin1String(field)));
    // The clicked mode's fields show the stored keyword and length.
    if (mode >= 2) {
        QString prefix = mode == 2 ? QStringLiteral("after") : QStringLiteral("before");
        QCOMPARE(Edit((prefix + "KeywordEdit").toLatin1().constData())->text(), QStringLiteral("为"));
        QCOMPARE(Edit((prefix + "CountEdit").toLatin1().constData())->text(), QStringLiteral("6"));
    }
    // Cancel does not undo the click.
    ClickCancel();
    QCOMPARE(config->Snapshot().extractMode, mode);
}

void SettingsCentreTest::StoredModeAboveThreeShowsAsSmart()
{
    StoreRule({7, u"为", u"，", 6});
    centre->SelectPage(kh::SettingsCentrePort::kExtractRulePage);
    centre->Show();
    QVERIFY(Radio("smartRadio")->isChecked());
    QVERIFY(!Edit("betweenHeadEdit")->isEnabled());
    QCOMPARE(centre->findChild<QPlainTextEdit*>(QStringLiteral("helpText"))->toPlainText(), HelpText(0));
    ClickOk();
    QVERIFY(!centre->isVisible());
    QCOMPARE(config->Snapshot().extractMode, 0u);
}

void SettingsCentreTest::OkStoresTheRuleOfTheChosenMode_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QStringList>("typed"); // field, text, field, text ...
    QTest::addColumn<uint>("mode");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<uint>("length");
    // What the other modes' fields hold is not stored; the stored values they would replace stay.
    QTest::newRow("smart keeps keywords") << "smartRadio" << QStringList{"betweenHeadEdit", "码"} << 0u << "旧头"
                                          << "旧尾" << 4u;
    QTest::newRow("between") << "betweenRadio" << QStringList{"betweenHeadEdit", "为", "betweenTailEdit", "，"} << 1u
                             << "为"
                             << "，" << 4u;
    QTest::newRow("after") << "afterRadio" << QStringList{"afterKeywordEdit", "为", "afterCountEdit", "6"} << 2u << "为"
                           << "旧尾" << 6u;
    QTest::newRow("before") << "beforeRadio" << QStringList{"beforeKeywordEdit", "，", "beforeCountEdit", "8"} << 3u
                            << "，"
                            << "旧尾" << 8u;
}

void SettingsCentreTest::OkStoresTheRuleOfTheChosenMode()
{
    QFETCH(QString, radio);
    QFETCH(QStringList, typed);
    QFETCH(uint, mode);
    QFETCH(QString, head);
    QFETCH(QString, tail);
    QFETCH(uint, length);
    StoreRule({0, u"旧头", u"旧尾", 4});
    centre->Show();
    Radio(radio.toLatin1().constData())->click();
    for (int i = 0; i + 1 < typed.size(); i += 2)
        Edit(typed[i].toLatin1().constData())->setText(typed[i + 1]);
    ClickOk();
    QVERIFY(!centre->isVisible());
    RuleValues stored = StoredRule();
    QCOMPARE(stored.mode, mode);
    QCOMPARE(QString::fromStdU16String(stored.head), head);
    QCOMPARE(QString::fromStdU16String(stored.tail), tail);
    QCOMPARE(stored.length, length);
}

void SettingsCentreTest::RefusesRuleThatCannotFindACode_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("refusedField");
    const QString keyword = QStringLiteral("请输入关键词。");
    const QString positive = QStringLiteral("请输入一个正整数。");
    QTest::newRow("between, no first") << "betweenRadio" << QStringList{"betweenHeadEdit", "", "betweenTailEdit", "，"}
                                       << keyword << "betweenHeadEdit";
    QTest::newRow("between, no second") << "betweenRadio" << QStringList{"betweenHeadEdit", "为", "betweenTailEdit", ""}
                                        << keyword << "betweenTailEdit";
    QTest::newRow("after, no keyword") << "afterRadio" << QStringList{"afterKeywordEdit", "", "afterCountEdit", "6"}
                                       << keyword << "afterKeywordEdit";
    QTest::newRow("after, count 0") << "afterRadio" << QStringList{"afterKeywordEdit", "为", "afterCountEdit", "0"}
                                    << positive << "afterCountEdit";
    QTest::newRow("before, no count") << "beforeRadio" << QStringList{"beforeKeywordEdit", "，", "beforeCountEdit", ""}
                                      << positive << "beforeCountEdit";
    QTest::newRow("before, count past 31 bits")
        << "beforeRadio" << QStringList{"beforeKeywordEdit", "，", "beforeCountEdit", "2147483648"} << positive
        << "beforeCountEdit";
}

void SettingsCentreTest::RefusesRuleThatCannotFindACode()
{
    QFETCH(QString, radio);
    QFETCH(QStringList, typed);
    QFETCH(QString, prompt);
    QFETCH(QString, refusedField);
    StoreRule({0, u"旧头", u"旧尾", 4});
    centre->Show();
    Edit("intervalEdit")->setText(QStringLiteral("30"));
    Radio(radio.toLatin1().constData())->click();
    uint32_t clickedMode = config->Snapshot().extractMode;
    for (int i = 0; i + 1 < typed.size(); i += 2)
        Edit(typed[i].toLatin1().constData())->setText(typed[i + 1]);

    MessageBoxAnswerer answerer;
    ClickOk();
    QCOMPARE(answerer.texts, QStringList{prompt});
    QVERIFY(centre->isVisible());
    QCOMPARE(Tabs()->currentIndex(), int(kh::SettingsCentrePort::kExtractRulePage));
    QCOMPARE(centre->focusWidget(), Edit(refusedField.toLatin1().constData()));
    RuleValues stored = StoredRule();
    QCOMPARE(stored.mode, clickedMode);
    QCOMPARE(stored.head, std::u16string(u"旧头"));
    QCOMPARE(stored.tail, std::u16string(u"旧尾"));
    QCOMPARE(stored.length, 4u);
    // The SMS page is not stored while the rule page is refused.
    QCOMPARE(config->Snapshot().spaceTime, 10000u);
}

void SettingsCentreTest::PortCallsFromAWorkerSelectThePage()
{
    // As the extraction-rule command does from the command worker: select, centre, show. Each call
    // waits for the GUI thread, which keeps processing events here.
    centre->move(0, 0);
    std::atomic<bool> done = false;
    std::thread worker([this, &done] {
        centre->SelectPage(kh::SettingsCentrePort::kExtractRulePage);
        centre->Centre();
        centre->Show();
        done = true;
    });
    QVERIFY(QTest::qWaitFor([&done] { return done.load(); }, 10000));
    worker.join();
    QVERIFY(centre->isVisible());
    QCOMPARE(Tabs()->currentIndex(), int(kh::SettingsCentrePort::kExtractRulePage));
    QVERIFY(Tabs()->currentWidget()->isVisible());
    QCOMPARE(Tabs()->currentWidget()->objectName(), QStringLiteral("rulePage"));
    QRect screen = centre->screen()->availableGeometry();
    // Centred on the screen's work area, give or take the window frame, which is only known once the
    // centre has been shown.
    QVERIFY(qAbs(centre->geometry().center().x() - screen.center().x()) <= 10);
    QVERIFY(qAbs(centre->geometry().center().y() - screen.center().y()) <= 20);

    // The settings-centre command shows it on the page last selected.
    ClickCancel();
    centre->SelectPage(kh::SettingsCentrePort::kGetSmsPage);
    centre->Show();
    QCOMPARE(Tabs()->currentWidget()->objectName(), QStringLiteral("smsPage"));
}

QTEST_MAIN(SettingsCentreTest)
#include "SettingsCentreTest.moc"
