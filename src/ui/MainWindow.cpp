#include "ui/MainWindow.h"

#include "app/Dispatcher.h"
#include "app/TipsBox.h"
#include "core/ports/ToolBarPort.h"
#include "settings/ConfigCenter.h"
#include "ui/GuiCheckBox.h"
#include "ui/GuiClipboard.h"
#include "ui/GuiComboBox.h"
#include "ui/GuiExecutor.h"
#include "ui/GuiInfoBox.h"
#include "ui/GuiLineEdit.h"
#include "ui/GuiListView.h"
#include "ui/GuiMessageBox.h"
#include "ui/GuiNotifier.h"
#include "ui/GuiShell.h"
#include "ui/GuiStatusBar.h"
#include "ui/GuiThread.h"
#include "ui/GuiTipsView.h"
#include "ui/GuiToolBar.h"
#include "ui/GuiTrayIcon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>

// The icons are compiled into the static ui library; naming their initialiser keeps the linker from
// dropping them. It has to be called from outside any namespace.
static void InitUiResources()
{
    Q_INIT_RESOURCE(borvankh);
}

namespace kh::ui {

namespace {

// Toolbar buttons and the commands they queue.
struct ToolCommand
{
    int commandId;
    int32_t code;
};

constexpr ToolCommand kToolCommands[] = {
    {kIdGetNumbers, kCmdGetNumbers},
    {kIdGetSms, kCmdToggleSmsFetch},
    {kIdExtractRule, kCmdExtractRule},
    {kIdSettingsCentre, kCmdSettingsCentre},
    {kIdProjectManagement, kCmdProjectManagement},
    {kIdRecharge, kCmdRecharge},
    {kIdWindowTop, kCmdToggleWindowTop},
    {kIdProjectLink, kCmdProjectLink},
};

// The list's context menu: text, command.
struct MenuCommand
{
    const char16_t* text;
    int32_t code;
};

constexpr MenuCommand kListMenu[] = {
    {u"复制手机号码", kCmdCopyNumber},
    {u"复制短信", kCmdCopySms},
    {u"复制验证码", kCmdCopyCode},
    {nullptr, 0}, // separator
    {u"加黑手机号码", kCmdBlacklistSelected},
};

const QString kExportTitle = QStringLiteral("导出列表");
// How long closing waits for an export in progress to finish.
constexpr qint64 kExportFinishMs = 10000;

constexpr const char* kVersion = "1.0";

QString Text(const char16_t* text)
{
    return QString::fromUtf16(text);
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), executor(new GuiExecutor(this)), messageBox(std::make_unique<GuiMessageBox>(this)),
      shell(std::make_unique<GuiShell>()), clipboard(std::make_unique<GuiClipboard>()),
      notifier(std::make_unique<GuiNotifier>(this))
{
    InitUiResources();
    setWindowIcon(QIcon(QStringLiteral(":/app.svg")));
    setWindowTitle(Caption({}));
    BuildControls();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

void MainWindow::BuildControls()
{
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    toolBar = new GuiToolBar(central);
    outer->addWidget(toolBar);

    auto* middle = new QHBoxLayout();
    outer->addLayout(middle, 3);

    numberList = new GuiListView(central);
    numberList->setObjectName(QStringLiteral("numberList"));
    numberList->setToolTip(Text(u"点击表头可排序\n按Shift或Ctrl可多选\n支持右键菜单"));
    middle->addWidget(numberList, 1);

    auto* side = new QVBoxLayout();
    middle->addLayout(side, 0);

    auto* projectGroup = new QGroupBox(Text(u"项目"), central);
    auto* projectLayout = new QVBoxLayout(projectGroup);
    projectCombo = new GuiComboBox(projectGroup);
    projectCombo->setObjectName(QStringLiteral("projectCombo"));
    projectCombo->setMaxVisibleItems(20);
    projectLayout->addWidget(projectCombo);
    auto* searchRow = new QHBoxLayout();
    searchBox = new GuiLineEdit(projectGroup);
    searchBox->setObjectName(QStringLiteral("searchBox"));
    searchButton = new QPushButton(Text(u"搜索"), projectGroup);
    searchButton->setAutoDefault(false);
    searchRow->addWidget(searchBox, 1);
    searchRow->addWidget(searchButton);
    projectLayout->addLayout(searchRow);
    remarkBox = new GuiInfoBox(projectGroup);
    remarkBox->setObjectName(QStringLiteral("remarkBox"));
    remarkBox->setFixedHeight(remarkBox->fontMetrics().lineSpacing() * 4 + 2 * remarkBox->frameWidth() + 8);
    projectLayout->addWidget(remarkBox);
    side->addWidget(projectGroup);

    auto* numberGroup = new QGroupBox(Text(u"手机号码"), central);
    auto* numberLayout = new QFormLayout(numberGroup);
    countBox = new GuiLineEdit(numberGroup);
    countBox->setObjectName(QStringLiteral("countBox"));
    // Digits only: a count that is not a number cannot be typed.
    countBox->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), countBox));
    provinceCombo = new GuiComboBox(numberGroup);
    provinceCombo->setObjectName(QStringLiteral("provinceCombo"));
    provinceCombo->setMaxVisibleItems(20);
    carrierCombo = new GuiComboBox(numberGroup);
    carrierCombo->setObjectName(QStringLiteral("carrierCombo"));
    numberLayout->addRow(Text(u"号码数量"), countBox);
    numberLayout->addRow(Text(u"地      区"), provinceCombo);
    numberLayout->addRow(Text(u"运  营 商"), carrierCombo);
    side->addWidget(numberGroup);

    auto* smsGroup = new QGroupBox(Text(u"短信"), central);
    auto* smsLayout = new QVBoxLayout(smsGroup);
    autoGetSmsBox = new GuiCheckBox(Text(u"自动获取短信"), smsGroup);
    autoExtractBox = new GuiCheckBox(Text(u"自动提取验证码"), smsGroup);
    listAutoSortBox = new GuiCheckBox(Text(u"列表自动排序"), smsGroup);
    for (GuiCheckBox* box : {autoGetSmsBox, autoExtractBox, listAutoSortBox})
        smsLayout->addWidget(box);
    side->addWidget(smsGroup);
    side->addStretch(1);
    // Room for a project name and a search word of some fifteen Chinese characters.
    int sideWidth = fontMetrics().horizontalAdvance(QString(15, QChar(0x9879)));
    for (QGroupBox* group : {projectGroup, numberGroup, smsGroup})
        group->setMinimumWidth(sideWidth);

    tipsView = new GuiTipsView(central);
    tipsView->setObjectName(QStringLiteral("tipsView"));
    tipsView->setToolTip(Text(u"点击可暂停滚动\n选中一段内容可停止滚动"));
    tipsView->setMinimumHeight(tipsView->fontMetrics().lineSpacing() * 6);
    outer->addWidget(tipsView, 1);

    setCentralWidget(central);

    statusBar = new GuiStatusBar(this);
    setStatusBar(statusBar);

    listMenu = new QMenu(Text(u"手机短信列表控件"), this);
    for (const MenuCommand& item : kListMenu) {
        if (item.text == nullptr) {
            listMenu->addSeparator();
            continue;
        }
        int32_t code = item.code;
        connect(listMenu->addAction(Text(item.text)), &QAction::triggered, this, [this, code] { Push(code); });
    }
    // Not a command of the queue: the file is chosen here, the rows are read and written by the
    // session's exporter on a thread of its own.
    listMenu->addSeparator();
    connect(listMenu->addAction(Text(u"导出列表...")), &QAction::triggered, this, &MainWindow::OnExportList);

    trayMenu = new QMenu(this);
    connect(trayMenu->addAction(Text(u"显示/隐藏")), &QAction::triggered, this,
            [this] { Push(kCmdTrayNotify, kTrayLeftButtonDown); });
    connect(trayMenu->addAction(Text(u"退出")), &QAction::triggered, this, [this] { Push(kCmdShutdown); });
    trayIcon = new GuiTrayIcon(trayMenu, this);

    // The list's columns are inserted by the core at start-up; before that it needs no more than
    // the room they will take.
    numberList->setMinimumWidth(numberList->fontMetrics().averageCharWidth() * 60);
}

SessionControls MainWindow::Controls()
{
    SessionControls controls;
    controls.remarkBox = remarkBox;
    controls.projectCombo = projectCombo;
    controls.searchBox = searchBox;
    controls.provinceCombo = provinceCombo;
    controls.carrierCombo = carrierCombo;
    controls.countBox = countBox;
    controls.numberListView = numberList;
    controls.autoGetSmsBox = autoGetSmsBox;
    controls.autoExtractBox = autoExtractBox;
    controls.listAutoSortBox = listAutoSortBox;
    controls.toolBar = toolBar;
    controls.statusBar = statusBar;
    controls.tipsView = tipsView;
    controls.window = this;
    controls.messageBox = messageBox.get();
    controls.shell = shell.get();
    controls.clipboard = clipboard.get();
    controls.notifier = notifier.get();
    controls.trayIcon = trayIcon;
    controls.executor = executor;
    return controls;
}

void MainWindow::Attach(ClientSession& owner)
{
    session = &owner;

    connect(toolBar, &GuiToolBar::commandClicked, this, &MainWindow::OnToolBarCommand);
    connect(projectCombo, &QComboBox::activated, this, &MainWindow::OnProjectActivated);
    connect(searchButton, &QPushButton::clicked, this, [this] { Push(kCmdSearchProjects); });
    for (GuiCheckBox* box : {autoGetSmsBox, autoExtractBox, listAutoSortBox})
        connect(box, &QCheckBox::clicked, this, [this, box](bool checked) { OnCheckBoxClicked(box, checked); });
    connect(numberList, &GuiListView::headerClicked, this, [this](int column) { Push(kCmdSortColumn, column); });
    connect(numberList, &GuiListView::contextMenuWanted, this, &MainWindow::OnListMenu);
    connect(trayIcon, &GuiTrayIcon::leftClicked, this, [this] { Push(kCmdTrayNotify, kTrayLeftButtonDown); });

    // Mouse presses and Escape anywhere in the window are seen before any control gets them.
    qApp->installEventFilter(this);
}

void MainWindow::ShowSettings()
{
    if (session == nullptr)
        return;
    ConfigCenter& config = session->Config();
    bool autoGetSms;
    bool autoExtract;
    bool listAutoSort;
    std::string webSite;
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        autoGetSms = config.autoGetSms != 0;
        autoExtract = config.autoExtractCode != 0;
        listAutoSort = config.listAutoSort != 0;
        webSite = config.webSite;
    }
    autoGetSmsBox->SetChecked(autoGetSms);
    autoExtractBox->SetChecked(autoExtract);
    listAutoSortBox->SetChecked(listAutoSort);
    countBox->SetWindowText(u"1");
    searchBox->SetWindowText(u"");
    setWindowTitle(Caption(webSite));
}

QString MainWindow::Caption(const std::string& webSite)
{
    // The site's domain name, without a port.
    QString domain = QString::fromStdString(webSite);
    int colon = domain.lastIndexOf(u':');
    if (colon > 0)
        domain.truncate(colon);
    return QStringLiteral("Zelto - ") + domain + Text(u" - 客户端 - v") + QString::fromLatin1(kVersion);
}

void MainWindow::Push(int32_t code, int32_t argument)
{
    if (session != nullptr && !closed)
        session->Push(code, argument);
}

void MainWindow::OnToolBarCommand(int commandId)
{
    for (const ToolCommand& entry : kToolCommands) {
        if (entry.commandId == commandId) {
            Push(entry.code);
            return;
        }
    }
}

void MainWindow::OnProjectActivated(int index)
{
    // Entry 0 is the count line, not a project.
    if (index >= 1)
        Push(kCmdShowProjectInfo, index - 1);
}

void MainWindow::OnCheckBoxClicked(GuiCheckBox* box, bool checked)
{
    if (session == nullptr)
        return;
    // Each box stores only its own state; nothing else of the window is read.
    ConfigCenter& config = session->Config();
    uint32_t value = checked ? 1 : 0;
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        if (box == autoGetSmsBox)
            config.autoGetSms = value;
        else if (box == autoExtractBox)
            config.autoExtractCode = value;
        else
            config.listAutoSort = value;
    }
    if (checked && box == autoGetSmsBox)
        Push(kCmdAutoGetSmsChecked);
    else if (checked && box == autoExtractBox)
        Push(kCmdAutoExtractChecked);
}

void MainWindow::OnListMenu(const QPoint& globalPosition)
{
    listMenu->popup(globalPosition);
}

void MainWindow::OnExportList()
{
    if (session == nullptr || closed)
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString suggested = QDir(folder).filePath(Text(u"号码列表-") +
                                              QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                                              QStringLiteral(".csv"));
    QString path = exportFileChooser
                       ? exportFileChooser(suggested)
                       : QFileDialog::getSaveFileName(this, kExportTitle, suggested, Text(u"CSV 文件 (*.csv)"));
    // The dialog ran its own event loop: the window may have been closed meanwhile.
    if (path.isEmpty() || session == nullptr || closed)
        return;
    session->Exporter().StartExport(QFile::encodeName(path).toStdString());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (closed) {
        event->accept();
        return;
    }
    // The shutdown command asks first; only its close notice ends the window.
    event->ignore();
    Push(kCmdShutdown);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Minimising hides the window when the notification area can bring it back.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) != 0 && trayIcon->IsShown())
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (session == nullptr || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) {
            // A press inside the tips box pauses its auto-scroll, a press anywhere else resumes it.
            QPoint point = tipsView->mapFromGlobal(mouse->globalPosition().toPoint());
            session->Tips().SetAutoScroll(!tipsView->rect().contains(point));
        }
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Escape anywhere in the window closes it as the close box does; the key goes no further.
        // Open lists and menus are windows of their own and keep their Escape.
        Push(kCmdShutdown);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ForceShutdown()
{
    messageBox->AnswerShutdownWithoutAsking();
    Push(kCmdShutdown);
}

void MainWindow::Detach()
{
    // An export still reading the list needs the GUI thread: once closing has begun its reads
    // would come back empty and it would replace the chosen file with a header alone. So it is
    // let finish first, the GUI served meanwhile (a hundred rows take a few milliseconds).
    if (session != nullptr && !session->Exporter().WaitUntilIdle(0)) {
        QEventLoop loop;
        QElapsedTimer waited;
        waited.start();
        QTimer check;
        connect(&check, &QTimer::timeout, &loop, [&] {
            if (session->Exporter().WaitUntilIdle(0) || waited.elapsed() >= kExportFinishMs)
                loop.quit();
        });
        check.start(5);
        loop.exec();
    }
    BeginClosing();
    executor->Stop();
    qApp->removeEventFilter(this);
    session = nullptr;
}

bool MainWindow::IsVisible()
{
    return OnGuiThread([&] { return isVisible(); });
}

void MainWindow::Show()
{
    OnGuiThread([&] {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    });
}

void MainWindow::Hide()
{
    OnGuiThread([&] { hide(); });
}

void MainWindow::SwitchTo()
{
    OnGuiThread([&] {
        raise();
        activateWindow();
    });
}

void MainWindow::SetTopMost(bool topMost)
{
    OnGuiThread([&] {
        if (((windowFlags() & Qt::WindowStaysOnTopHint) != 0) == topMost)
            return;
        // Changing the flag re-creates the native window hidden; put it back where it was.
        bool visible = isVisible();
        QRect place = geometry();
        setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
        setGeometry(place);
        if (visible)
            show();
    });
}

void MainWindow::PostClose()
{
    QMetaObject::invokeMethod(this, &MainWindow::FinishClose, Qt::QueuedConnection);
}

void MainWindow::FinishClose()
{
    if (closed)
        return;
    closed = true;
    hide();
    emit closeNoticeArrived();
}

} // namespace kh::ui
