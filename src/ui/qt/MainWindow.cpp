#include "ui/qt/MainWindow.h"

#include "desktop/MainPresenter.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "ui/qt/GuiCheckBox.h"
#include "ui/qt/GuiClipboard.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiExecutor.h"
#include "ui/qt/GuiInfoBox.h"
#include "ui/qt/GuiLineEdit.h"
#include "ui/qt/GuiListView.h"
#include "ui/qt/GuiMessageBox.h"
#include "ui/qt/GuiNotifier.h"
#include "ui/qt/GuiShell.h"
#include "ui/qt/GuiStatusBar.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/GuiTipsView.h"
#include "ui/qt/GuiToolBar.h"
#include "ui/qt/GuiTrayIcon.h"
#include "ui/qt/NumberListModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <iterator>
#include <utility>

// The icons are compiled into the static ui library; naming their initialiser keeps the linker from
// dropping them. It has to be called from outside any namespace.
static void InitUiResources()
{
    Q_INIT_RESOURCE(borvankh);
}

namespace kh::ui {

namespace {

const QString kExportTitle = QStringLiteral("导出列表");

QString Text(const char16_t* text)
{
    return QString::fromUtf16(text);
}

} // namespace

MainWindow::MainWindow(QWidget* parent, GuiExecutor* shared)
    : QMainWindow(parent), executor(shared != nullptr ? shared : new GuiExecutor(this)),
      messageBox(std::make_unique<GuiMessageBox>(this)), shell(std::make_unique<GuiShell>()),
      clipboard(std::make_unique<GuiClipboard>()), notifier(std::make_unique<GuiNotifier>(this))
{
    InitUiResources();
    setWindowIcon(QIcon(QStringLiteral(":/app.svg")));

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    toolBar = new GuiToolBar(central);
    outer->addWidget(toolBar);

    // The list over the tips box on the left, the three groups down the right. When the window is
    // small (a 1280x720 desktop at 150 or 200 percent) the list and the tips box give up their room
    // first: the groups keep what they need, so the window's least height is theirs.
    auto* middle = new QHBoxLayout();
    outer->addLayout(middle, 1);
    auto* left = new QVBoxLayout();
    middle->addLayout(left, 1);
    numberList = new GuiListView(central);
    numberList->setObjectName(QStringLiteral("numberList"));
    numberList->setToolTip(Text(u"点击表头可排序\n按Shift或Ctrl可多选\n支持右键菜单"));
    // The SMS takes what width the window has to spare; SMS and code cells show their whole text
    // when hovered.
    numberList->SetStretchColumn(kColumnSms);
    numberList->Model()->SetFullTextColumns({kColumnSms, kColumnCode});
    // The list's columns are inserted by the core at start-up; before that it needs no more than
    // the room they will take.
    numberList->setMinimumWidth(numberList->fontMetrics().averageCharWidth() * 60);
    numberList->setMinimumHeight(numberList->fontMetrics().height() * 5);
    left->addWidget(numberList, 3);

    tipsView = new GuiTipsView(central);
    tipsView->setObjectName(QStringLiteral("tipsView"));
    tipsView->setToolTip(Text(u"点击可暂停滚动\n选中一段内容可停止滚动"));
    tipsView->setMinimumHeight(tipsView->fontMetrics().lineSpacing() * 3);
    left->addWidget(tipsView, 1);

    auto* side = new QVBoxLayout();
    middle->addLayout(side, 0);
    // Room for a project name and a search word of some fifteen Chinese characters.
    int sideWidth = fontMetrics().horizontalAdvance(QString(15, QChar(0x9879)));
    for (QWidget* group : {BuildProjectGroup(central), BuildNumberGroup(central), BuildSmsGroup(central)}) {
        group->setMinimumWidth(sideWidth);
        side->addWidget(group);
    }
    side->addStretch(1);
    setCentralWidget(central);

    statusBar = new GuiStatusBar(this);
    setStatusBar(statusBar);

    BuildMenus();
    ConnectReports();

    // The keyboard starts at the number list and goes down the panel from there.
    QWidget* tabOrder[] = {numberList,    projectCombo, searchBox,     searchButton,   remarkBox,       countBox,
                           provinceCombo, carrierCombo, autoGetSmsBox, autoExtractBox, listAutoSortBox, tipsView};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    numberList->setFocus();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

QWidget* MainWindow::BuildProjectGroup(QWidget* parent)
{
    auto* group = new QGroupBox(Text(u"项目"), parent);
    auto* layout = new QVBoxLayout(group);
    projectCombo = new GuiComboBox(group);
    projectCombo->setObjectName(QStringLiteral("projectCombo"));
    projectCombo->setMaxVisibleItems(20);
    layout->addWidget(projectCombo);

    auto* searchRow = new QHBoxLayout();
    searchBox = new GuiLineEdit(group);
    searchBox->setObjectName(QStringLiteral("searchBox"));
    searchButton = new QPushButton(Text(u"搜索"), group);
    searchButton->setAutoDefault(false);
    searchRow->addWidget(searchBox, 1);
    searchRow->addWidget(searchButton);
    layout->addLayout(searchRow);

    remarkBox = new GuiInfoBox(group);
    remarkBox->setObjectName(QStringLiteral("remarkBox"));
    remarkBox->setFixedHeight(remarkBox->fontMetrics().lineSpacing() * 4 + 2 * remarkBox->frameWidth() + 8);
    layout->addWidget(remarkBox);
    return group;
}

QWidget* MainWindow::BuildNumberGroup(QWidget* parent)
{
    auto* group = new QGroupBox(Text(u"手机号码"), parent);
    auto* layout = new QFormLayout(group);
    countBox = new GuiLineEdit(group);
    countBox->setObjectName(QStringLiteral("countBox"));
    // Digits only: a count that is not a number cannot be typed.
    countBox->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), countBox));
    provinceCombo = new GuiComboBox(group);
    provinceCombo->setObjectName(QStringLiteral("provinceCombo"));
    provinceCombo->setMaxVisibleItems(20);
    carrierCombo = new GuiComboBox(group);
    carrierCombo->setObjectName(QStringLiteral("carrierCombo"));
    layout->addRow(Text(u"号码数量"), countBox);
    layout->addRow(Text(u"地      区"), provinceCombo);
    layout->addRow(Text(u"运  营 商"), carrierCombo);
    return group;
}

QWidget* MainWindow::BuildSmsGroup(QWidget* parent)
{
    auto* group = new QGroupBox(Text(u"短信"), parent);
    auto* layout = new QVBoxLayout(group);
    autoGetSmsBox = new GuiCheckBox(Text(u"自动获取短信"), group);
    autoExtractBox = new GuiCheckBox(Text(u"自动提取验证码"), group);
    listAutoSortBox = new GuiCheckBox(Text(u"列表自动排序"), group);
    for (GuiCheckBox* box : {autoGetSmsBox, autoExtractBox, listAutoSortBox})
        layout->addWidget(box);
    return group;
}

void MainWindow::BuildMenus()
{
    listMenu = BuildMenu(new QMenu(Text(u"手机短信列表控件"), this), true);
    trayMenu = BuildMenu(new QMenu(this), false);
    trayIcon = new GuiTrayIcon(trayMenu, this);
}

QMenu* MainWindow::BuildMenu(QMenu* menu, bool forList)
{
    for (const desktop::MenuItem& item :
         forList ? desktop::MainPresenter::ListMenu() : desktop::MainPresenter::TrayMenu()) {
        if (item.commandId == 0) {
            menu->addSeparator();
            continue;
        }
        int id = item.commandId;
        connect(menu->addAction(Text(item.text)), &QAction::triggered, this, [this, id] {
            if (presenter != nullptr)
                presenter->OnCommand(id);
        });
    }
    return menu;
}

void MainWindow::ConnectReports()
{
    // Each report goes to the presenter, once there is one.
    auto report = [this](auto call) {
        return [this, call](auto... arguments) {
            if (presenter != nullptr)
                call(*presenter, arguments...);
        };
    };
    connect(toolBar, &GuiToolBar::commandClicked, this,
            report([](desktop::MainPresenter& p, int id) { p.OnCommand(id); }));
    connect(projectCombo, &QComboBox::activated, this,
            report([](desktop::MainPresenter& p, int index) { p.OnProjectChosen(index); }));
    connect(searchButton, &QPushButton::clicked, this, report([](desktop::MainPresenter& p, bool) { p.OnSearch(); }));
    // Enter in the search box runs the search (elsewhere in the window Enter does nothing).
    connect(searchBox, &QLineEdit::returnPressed, this, report([](desktop::MainPresenter& p) { p.OnSearch(); }));
    const std::pair<GuiCheckBox*, desktop::MainCheckBox> boxes[] = {
        {autoGetSmsBox, desktop::MainCheckBox::AutoGetSms},
        {autoExtractBox, desktop::MainCheckBox::AutoExtractCode},
        {listAutoSortBox, desktop::MainCheckBox::ListAutoSort},
    };
    for (auto [box, which] : boxes)
        connect(box, &QCheckBox::clicked, this,
                report([which](desktop::MainPresenter& p, bool checked) { p.OnCheckBoxClicked(which, checked); }));
    connect(numberList, &GuiListView::headerClicked, this,
            report([](desktop::MainPresenter& p, int column) { p.OnHeaderClicked(column); }));
    // The context menu is the view's own: it only offers the presenter's commands.
    connect(numberList, &GuiListView::contextMenuWanted, this,
            [this](const QPoint& globalPosition) { listMenu->popup(globalPosition); });
    connect(trayIcon, &GuiTrayIcon::leftClicked, this, report([](desktop::MainPresenter& p) { p.OnTrayClicked(); }));
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

void MainWindow::SetPresenter(desktop::MainPresenter* owner)
{
    presenter = owner;
    // Mouse presses and Escape anywhere in the window are seen before any control gets them.
    qApp->removeEventFilter(this);
    if (presenter != nullptr)
        qApp->installEventFilter(this);
}

void MainWindow::SetCaption(const std::u16string& caption)
{
    setWindowTitle(QString::fromStdU16String(caption));
}

void MainWindow::ShowWindow()
{
    show();
}

void MainWindow::CloseWindow()
{
    hide();
    emit closeNoticeArrived();
}

bool MainWindow::CanRestoreFromTray()
{
    return trayIcon->IsShown();
}

void MainWindow::HideWindow()
{
    // Called from the state change of minimising, which has to end before the window hides.
    QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}

std::u16string MainWindow::ChooseExportFile(const std::u16string& suggestedName)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString suggested = QDir(folder).filePath(QString::fromStdU16String(suggestedName));
    QString path = exportFileChooser
                       ? exportFileChooser(suggested)
                       : QFileDialog::getSaveFileName(this, kExportTitle, suggested, Text(u"CSV 文件 (*.csv)"));
    return path.toStdU16String();
}

void MainWindow::AnswerShutdownWithoutAsking()
{
    messageBox->AnswerShutdownWithoutAsking();
}

void MainWindow::RunMainLoop()
{
    // The application's own loop: a quit from outside (the desktop's session ending) leaves it as
    // QuitMainLoop does.
    qApp->exec();
}

void MainWindow::QuitMainLoop()
{
    qApp->quit();
}

void MainWindow::RunLoop(int timeoutMs)
{
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loops.append(&loop);
    loop.exec();
    loops.removeAll(&loop);
}

void MainWindow::QuitLoop()
{
    if (!loops.isEmpty() && !loops.last().isNull())
        loops.last()->quit();
}

void MainWindow::EndPortCalls()
{
    BeginClosing();
    executor->Stop();
    qApp->removeEventFilter(this);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (presenter == nullptr || presenter->OnCloseRequested())
        event->accept();
    else
        event->ignore();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (presenter != nullptr && event->type() == QEvent::WindowStateChange &&
        (windowState() & Qt::WindowMinimized) != 0)
        presenter->OnMinimised();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (presenter == nullptr || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) {
            QPoint point = tipsView->mapFromGlobal(mouse->globalPosition().toPoint());
            presenter->OnMousePress(tipsView->rect().contains(point));
        }
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // The key goes no further. Open lists and menus are windows of their own and keep their
        // Escape.
        presenter->OnEscape();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
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
    // Posted, never waited for: the shutdown command calls it from the command worker.
    PostToThread(this, [this] {
        if (presenter != nullptr)
            presenter->OnCloseNotice();
    });
}

} // namespace kh::ui
