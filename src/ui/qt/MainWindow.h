#pragma once
// The main window of the windowed client in Qt: toolbar, project group, phone-number group, SMS
// group, the number list, the tips box and the status bar, plus the notification-area icon and the
// desktop notifications of new codes. Its controls are the session's ports; the window itself is
// the main-window port and the main presenter's view: it draws what the presenter says and reports
// the user's actions to it (desktop/MainView.h), deciding nothing.
//
// Order of use: construct, hand Controls() to the client session, build the MainPresenter over
// the window and the session. A window made after the session shares the session's executor
// (given to the constructor) instead of making its own.

#include "core/SessionControls.h"
#include "core/ports/MainWindowPort.h"
#include "desktop/MainView.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QEventLoop;
class QMenu;
class QPushButton;

namespace kh::ui {

class GuiCheckBox;
class GuiClipboard;
class GuiComboBox;
class GuiExecutor;
class GuiInfoBox;
class GuiLineEdit;
class GuiListView;
class GuiMessageBox;
class GuiNotifier;
class GuiShell;
class GuiStatusBar;
class GuiTipsView;
class GuiToolBar;
class GuiTrayIcon;

class MainWindow final : public QMainWindow, public MainWindowPort, public desktop::MainView
{
    Q_OBJECT

public:
    // executor: the GUI thread's executor to use, which must outlive the window; null makes one.
    explicit MainWindow(QWidget* parent = nullptr, GuiExecutor* executor = nullptr);
    ~MainWindow() override;

    // Every control of the window as a port, and the GUI thread's executor.
    SessionControls Controls();

    // How "导出列表..." asks for the file: a save dialog, offering suggested (a full path); an
    // empty answer exports nothing. Tests answer in advance.
    using FileChooser = std::function<QString(const QString& suggested)>;
    void SetExportFileChooser(FileChooser chooser) { exportFileChooser = std::move(chooser); }

    // MainWindowPort; any thread.
    bool IsVisible() override;
    void Show() override;
    void Hide() override;
    void SwitchTo() override;
    void SetTopMost(bool topMost) override;
    void PostClose() override;

    // MainView; GUI thread.
    void SetPresenter(desktop::MainPresenter* presenter) override;
    void SetCaption(const std::u16string& caption) override;
    void ShowWindow() override;
    void CloseWindow() override;
    bool CanRestoreFromTray() override;
    void HideWindow() override;
    std::u16string ChooseExportFile(const std::u16string& suggestedName) override;
    void AnswerShutdownWithoutAsking() override;
    void RunMainLoop() override;
    void QuitMainLoop() override;
    void RunLoop(int timeoutMs) override;
    void QuitLoop() override;
    void EndPortCalls() override;

    // The controls, for tests.
    GuiToolBar* ToolBar() const { return toolBar; }
    GuiListView* NumberList() const { return numberList; }
    GuiTipsView* TipsView() const { return tipsView; }
    GuiComboBox* ProjectCombo() const { return projectCombo; }
    GuiLineEdit* SearchBox() const { return searchBox; }
    QPushButton* SearchButton() const { return searchButton; }
    GuiInfoBox* RemarkBox() const { return remarkBox; }
    GuiLineEdit* CountBox() const { return countBox; }
    GuiComboBox* ProvinceCombo() const { return provinceCombo; }
    GuiComboBox* CarrierCombo() const { return carrierCombo; }
    GuiCheckBox* AutoGetSmsBox() const { return autoGetSmsBox; }
    GuiCheckBox* AutoExtractBox() const { return autoExtractBox; }
    GuiCheckBox* ListAutoSortBox() const { return listAutoSortBox; }
    GuiStatusBar* StatusBar() const { return statusBar; }
    QMenu* ListMenu() const { return listMenu; }
    QMenu* TrayMenu() const { return trayMenu; }
    GuiTrayIcon* TrayIcon() const { return trayIcon; }
    GuiMessageBox& MessageBox() { return *messageBox; }
    GuiNotifier& Notifier() { return *notifier; }

signals:
    // The close notice has been taken: the window is hidden for good.
    void closeNoticeArrived();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The steps of the constructor: the widgets of each part of the window, then the reports.
    QWidget* BuildProjectGroup(QWidget* parent);
    QWidget* BuildNumberGroup(QWidget* parent);
    QWidget* BuildSmsGroup(QWidget* parent);
    void BuildMenus();
    void ConnectReports();
    QMenu* BuildMenu(QMenu* menu, bool listMenu);

    desktop::MainPresenter* presenter = nullptr;
    // The nested loops of RunLoop, innermost last.
    QList<QPointer<QEventLoop>> loops;

    GuiToolBar* toolBar = nullptr;
    GuiListView* numberList = nullptr;
    GuiTipsView* tipsView = nullptr;
    GuiComboBox* projectCombo = nullptr;
    GuiLineEdit* searchBox = nullptr;
    QPushButton* searchButton = nullptr;
    GuiInfoBox* remarkBox = nullptr;
    GuiLineEdit* countBox = nullptr;
    GuiComboBox* provinceCombo = nullptr;
    GuiComboBox* carrierCombo = nullptr;
    GuiCheckBox* autoGetSmsBox = nullptr;
    GuiCheckBox* autoExtractBox = nullptr;
    GuiCheckBox* listAutoSortBox = nullptr;
    GuiStatusBar* statusBar = nullptr;
    QMenu* listMenu = nullptr;
    QMenu* trayMenu = nullptr;
    GuiTrayIcon* trayIcon = nullptr;
    GuiExecutor* executor = nullptr;
    std::unique_ptr<GuiMessageBox> messageBox;
    std::unique_ptr<GuiShell> shell;
    std::unique_ptr<GuiClipboard> clipboard;
    std::unique_ptr<GuiNotifier> notifier;
    FileChooser exportFileChooser;
};

} // namespace kh::ui
