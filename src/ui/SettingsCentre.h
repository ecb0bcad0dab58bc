#pragma once
// The settings centre: a modeless dialog with two pages, "获取短信" (the automatic polling interval
// and time-out, and what happens when a code is found: a desktop notification, a copy on the
// clipboard) and "提取规则" (how the verification code is taken out of an SMS). The main window
// builds it hidden once after sign-in; the settings-centre and extraction-rule commands show it
// through the settings-centre port from the command worker.
//
// Both pages are loaded from the settings each time the centre is shown, so Cancel discards what
// was typed. OK checks every field first (range prompts, a rule that cannot find a code) and stores
// nothing while one is refused; the centre then stays open on the page of the refused field. A
// click on a mode stores the mode at once, before OK. Settings are copied in and out under the
// settings lock and nothing else happens while it is held.

#include "core/ports/SettingsCentrePort.h"
#include "numbers/ExtractRule.h"

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QShowEvent;
class QTabWidget;
class QWidget;

namespace kh {
class ConfigCenter;
}

namespace kh::ui {

class SettingsCentre : public QDialog, public kh::SettingsCentrePort
{
    Q_OBJECT

public:
    // The four help texts of the rule page, by extraction mode.
    static const std::array<QString, 4>& HelpTexts();

    explicit SettingsCentre(kh::ConfigCenter& config, QWidget* parent = nullptr);

    // The port; any thread (a call from another thread runs on the GUI thread and is waited for).
    void SelectPage(int page) override;
    void Centre() override;
    void Show() override;

public slots:
    // OK: stores both pages when every field is acceptable, then hides the centre.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildSmsPage();
    QWidget* BuildRulePage();

    void SelectPageNow(int page);
    void LoadSmsPage();
    // Sets the page's mode and the fields of that mode from the settings; with allFields the
    // fields of the other modes too (showing the centre), without them only the clicked mode's.
    void LoadRule(bool allFields);
    void EnableMode(int mode);
    void ModeClicked(int mode);

    // Read and check one page; false after the prompt for the first refused field.
    bool ReadSmsPage(uint32_t& seconds, uint32_t& minutes);
    bool ReadRule(ExtractRule& rule);
    bool ReadRange(QLineEdit* edit, uint32_t low, uint32_t high, uint32_t& value);
    void Refuse(QLineEdit* edit, const QString& text);

    kh::ConfigCenter& config;
    QTabWidget* tabs = nullptr;
    QLineEdit* intervalEdit = nullptr;
    QLineEdit* timeoutEdit = nullptr;
    QCheckBox* notifyBox = nullptr;
    QCheckBox* autoCopyBox = nullptr;
    QButtonGroup* modeGroup = nullptr;
    QLineEdit* betweenHeadEdit = nullptr;
    QLineEdit* betweenTailEdit = nullptr;
    QLineEdit* afterKeywordEdit = nullptr;
    QLineEdit* afterCountEdit = nullptr;
    QLineEdit* beforeKeywordEdit = nullptr;
    QLineEdit* beforeCountEdit = nullptr;
    // The labels and fields of each mode, enabled only while that mode is chosen (smart has none).
    std::array<std::vector<QWidget*>, 4> groups;
    QPlainTextEdit* helpText = nullptr;
    int mode = SmartExtract;
};

} // namespace kh::ui
