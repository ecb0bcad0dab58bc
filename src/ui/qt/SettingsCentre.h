#pragma once
// The settings centre in Qt, the settings presenter's view (desktop/SettingsView.h): a modeless
// dialog with the pages "获取短信" (interval, time-out, the two code options) and "提取规则" (the
// four modes with their keyword and count fields, and the help text). It is also the session's
// settings-centre port: the command worker's calls run on the GUI thread and are waited for. It
// reports to the presenter and decides nothing.

#include "desktop/SettingsView.h"

#include <QDialog>
#include <array>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QShowEvent;
class QTabWidget;
class QWidget;

namespace kh::ui {

class SettingsCentre final : public QDialog, public desktop::SettingsView
{
    Q_OBJECT

public:
    explicit SettingsCentre(QWidget* parent = nullptr);

    // The port; any thread (a call from another thread runs on the GUI thread and is waited for).
    void SelectPage(int page) override;
    void Centre() override;
    void Show() override;

    // SettingsView; GUI thread.
    void SetPresenter(desktop::SettingsPresenter* presenter) override;
    std::u16string FieldText(desktop::SettingsField field) override;
    void SetFieldText(desktop::SettingsField field, const std::u16string& text) override;
    bool IsOptionChecked(desktop::SettingsOption option) override;
    void SetOptionChecked(desktop::SettingsOption option, bool checked) override;
    void SetMode(int mode) override;
    void SetHelpText(const std::u16string& text) override;
    void EnableModeFields(int mode, bool enabled) override;
    int CurrentPage() override;
    void ShowPrompt(const std::u16string& text) override;
    void FocusField(desktop::SettingsField field) override;
    void Close() override;

public slots:
    // OK and Cancel (also Escape and the close box) are reported to the presenter.
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildSmsPage();
    QWidget* BuildRulePage();
    QLineEdit* Field(desktop::SettingsField field) const;
    QCheckBox* Option(desktop::SettingsOption option) const;

    desktop::SettingsPresenter* presenter = nullptr;
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
    // The labels and fields of each mode (smart extraction has none).
    std::array<std::vector<QWidget*>, 4> groups;
    QPlainTextEdit* helpText = nullptr;
};

} // namespace kh::ui
