#pragma once
// The main window of the windowed client: toolbar, project group, phone-number group, SMS group,
// the number list, the tips box and the status bar, plus the notification-area icon and the desktop
// notifications of new codes. Its controls are the session's ports; its handlers only turn user
// actions into commands, store the three check boxes in the settings, set the tips box's
// auto-scroll flag and start the list's export (in the background) for the file the user chose. Closing (close box,
// Alt+F4, Escape, the tray menu) queues the shutdown command, which asks and then posts the close notice; only that
// notice ends the window.
//
// Order of use: construct, hand Controls() to the ClientSession, Attach the session, LoadSettings
// of the session, then ShowSettings; after the sign-in the session is started and the window shown.

#include "app/ClientSession.h"
#include "core/ports/MainWindowPort.h"

#include <QMainWindow>
#include <functional>
#include <memory>

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

class MainWindow final : public QMainWindow, public MainWindowPort
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Every control of the window as a port, and the GUI thread's executor.
    SessionControls Controls();
    // Connects the handlers to the session's command queue, settings and tips box.
    void Attach(ClientSession& session);
    // Pushes the settings into the controls: the three check boxes, the number count and the
    // caption. After the session has loaded the settings.
    void ShowSettings();

    // Logging out of the desktop or SIGTERM: the shutdown runs without asking (open questions are
    // answered with Cancel), and the window ends as after a confirmed close.
    void ForceShutdown();
    // True once the close notice has arrived.
    bool IsClosed() const { return closed; }
    // Ends the session's use of the window: no port runs any more, posted work is dropped (an
    // export in progress is let finish first). After the session's workers have ended, before the
    // session is destroyed.
    void Detach();

    // How "导出列表..." asks for the file: a save dialog, offering suggested; an empty answer
    // exports nothing. Tests answer in advance.
    using FileChooser = std::function<QString(const QString& suggested)>;
    void SetExportFileChooser(FileChooser chooser) { exportFileChooser = std::move(chooser); }

    // The window's caption for a web site "host" or "host:port".
    static QString Caption(const std::string& webSite);

    // MainWindowPort.
    bool IsVisible() override;
    void Show() override;
    void Hide() override;
    void SwitchTo() override;
    void SetTopMost(bool topMost) override;
    void PostClose() override;

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
    // The close notice has arrived: the window is hidden and the application may leave its loop.
    void closeNoticeArrived();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Push(int32_t code, int32_t argument = 0);
    void FinishClose();

    // Handlers.
    void OnToolBarCommand(int commandId);
    void OnProjectActivated(int index);
    void OnCheckBoxClicked(GuiCheckBox* box, bool checked);
    void OnListMenu(const QPoint& globalPosition);
    void OnExportList();

    ClientSession* session = nullptr;
    bool closed = false;

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
