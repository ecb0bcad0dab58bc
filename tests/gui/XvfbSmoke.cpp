// The windowed client in a real X window (Xvfb, the xcb platform, not the offscreen one): start,
// sign in, rent a number with the toolbar, see its code arrive, close with OK; and the tray icon
// docking into a notification area that starts after the client. CTest runs it under xvfb-run;
// started elsewhere without an X display it skips.

#include "WindowFixture.h"
#include "core/ports/ToolBarPort.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiLineEdit.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/GuiToolBar.h"
#include "ui/qt/GuiTrayIcon.h"

#include <QGuiApplication>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <cstring>
#include <string>
#include <xcb/xcb.h>

using namespace kh;
using namespace kh::test;
using namespace kh::ui;

namespace {

// A notification area as small as the X tray protocol allows: it owns the selection
// _NET_SYSTEM_TRAY_S<screen>, announces it with a MANAGER message on the root window, and records
// the dock requests icons send it. It docks nothing.
class TestTray
{
public:
    TestTray()
    {
        int screenNumber = 0;
        connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection))
            return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber; ++i)
            xcb_screen_next(&it);
        root = it.data->root;
        selection = Atom("_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
        opcode = Atom("_NET_SYSTEM_TRAY_OPCODE");
        window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
    }
    ~TestTray()
    {
        if (window != 0)
            xcb_destroy_window(connection, window);
        xcb_disconnect(connection);
    }
    TestTray(const TestTray&) = delete;
    TestTray& operator=(const TestTray&) = delete;

    bool Start()
    {
        if (window == 0 || selection == 0)
            return false;
        xcb_set_selection_owner(connection, window, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t announce;
        std::memset(&announce, 0, sizeof announce);
        announce.response_type = XCB_CLIENT_MESSAGE;
        announce.format = 32;
        announce.window = root;
        announce.type = Atom("MANAGER");
        announce.data.data32[0] = XCB_CURRENT_TIME;
        announce.data.data32[1] = selection;
        announce.data.data32[2] = window;
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&announce));
        xcb_flush(connection);
        return true;
    }

    // Reads what has come; true once an icon has asked to be docked (opcode 0, SYSTEM_TRAY_REQUEST_DOCK).
    bool DockRequested()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->type == opcode && message->data.data32[1] == 0)
                    dockRequested = true;
            }
            free(event);
        }
        return dockRequested;
    }

private:
    xcb_atom_t Atom(const std::string& name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
        xcb_atom_t atom = reply != nullptr ? reply->atom : 0;
        free(reply);
        return atom;
    }

    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_window_t window = 0;
    xcb_atom_t selection = 0;
    xcb_atom_t opcode = 0;
    bool dockRequested = false;
};

} // namespace

class XvfbSmoke : public QObject
{
    Q_OBJECT

private slots:
    void startSignInGetACodeAndClose()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X display (run under xvfb-run)");
        constexpr int kWait = 20000;
        WindowFixture f(WindowScenario(500));
        BoxAnswerer user;
        QVERIFY(f.SignInAndStart());
        MainWindow& w = *f.window;
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // The project box fills with the count line and three projects; choose the first project.
        QTRY_VERIFY_WITH_TIMEOUT(w.ProjectCombo()->count() == 4 && w.ProjectCombo()->updatesEnabled(), kWait);
        w.ProjectCombo()->setFocus();
        QTest::keyClick(w.ProjectCombo(), Qt::Key_Down);
        w.CountBox()->clear();
        QTest::keyClicks(w.CountBox(), QStringLiteral("1"));
        QTest::mouseClick(w.ToolBar()->Button(kIdGetNumbers), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(f.Rows().rowCount(), 1, kWait);
        const QRegularExpression sixDigits(QStringLiteral("^\\d{6}$"));
        QTRY_VERIFY_WITH_TIMEOUT(sixDigits.match(f.Cell(0, 3)).hasMatch(), kWait);
        QVERIFY(f.Cell(0, 2).contains(f.Cell(0, 3)));

        QSignalSpy closed(&w, &MainWindow::closeNoticeArrived);
        user.Queue(true);
        w.close();
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kWait);
        QVERIFY(f.session->WaitUntilEnded(std::chrono::milliseconds(kWait)));
        QVERIFY(!f.session->Tips().LastLogFile().empty());
    }

    // Started at login, the client may come before the panel: the icon asked for while there is no
    // notification area docks as soon as one appears.
    void trayIconDocksIntoANotificationAreaThatStartsLater()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X display (run under xvfb-run)");
        if (GuiTrayIcon::Available())
            QSKIP("this display has a notification area already");
        // The test before ended its client, and with it every port's calls.
        ResetClosingForTest();
        QMenu menu;
        GuiTrayIcon icon(&menu);
        QVERIFY(icon.AddIcon());
        QVERIFY(!icon.AddIcon());
        QTest::qWait(GuiTrayIcon::kWatchMs + 200);
        QVERIFY(!icon.IsShown());

        TestTray tray;
        QVERIFY(tray.Start());
        QTRY_VERIFY_WITH_TIMEOUT(GuiTrayIcon::Available(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(icon.IsShown(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(tray.DockRequested(), 5000);
        QVERIFY(icon.RemoveIcon());
        QVERIFY(!icon.IsShown());
    }
};

QTEST_MAIN(XvfbSmoke)
#include "XvfbSmoke.moc"
