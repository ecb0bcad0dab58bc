#pragma once
// The main window and its presenter over a real ClientSession against a sandbox on loopback, for
// the GUI tests: a
// private settings directory and log folder, the hosts pointed at the sandbox, the shell replaced
// by the in-memory one (no browser opens). SignInAndStart signs in as the login dialog would, starts
// the session and shows the window. Message boxes are real: AnswerBoxes clicks their buttons as a
// user would, from a timer, and records what they said. The sandbox's state is read as JSON.

#include "app/ClientSession.h"
#include "desktop/MainPresenter.h"
#include "headless/HeadlessShell.h"
#include "settings/ConfigCenter.h"
#include "support/SandboxProcess.h"
#include "support/TempSettingsDir.h"
#include "ui/qt/GuiListView.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/GuiTipsView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/NumberListModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kh::test {

// A scenario with the account demo/demo (room for maxMobiles numbers, no favourites) and three
// projects; project 3001's SMS arrive smsDelayMs after renting.
inline std::string WindowScenario(int smsDelayMs, int maxMobiles = 200)
{
    std::string delay = std::to_string(smsDelayMs);
    return R"({"accounts":[{"user":"demo","pwd":"demo","balance":"100000","level":"VIP2","discount":9.5,)"
           R"("score":12,"max_mobiles":)" +
           std::to_string(maxMobiles) +
           R"(}],"projects":[{"pid":"3001","pname":"云购商城","p_price":"0.50","remark":"注册",)"
           R"("sms_template":"【云购商城】您的验证码是{code}。","code_length":6,"delay_min_ms":)" +
           delay + R"(,"delay_max_ms":)" + delay +
           R"(,"offline_probability":0,"no_sms_probability":0},)"
           R"({"pid":"3002","pname":"快跑外卖","p_price":"0.30","remark":"登录"},)"
           R"({"pid":"3003","pname":"星河影视","p_price":"0.20","remark":"找回密码"}],)"
           R"("pool":{"generate":1000}})";
}

// Clicks OK or Cancel in the message boxes as they appear, answers taken in order; records each
// box's caption and text. Lives on the GUI thread.
class BoxAnswerer
{
public:
    struct Box
    {
        QString caption;
        QString text;
        bool ok;
    };

    BoxAnswerer()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
        timer.start();
    }

    void Queue(bool ok) { answers.push_back(ok); }
    const std::vector<Box>& Seen() const { return seen; }
    // Boxes on screen right now.
    int OpenBoxes() const
    {
        int open = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            open += qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible() ? 1 : 0;
        return open;
    }

private:
    void Poll()
    {
        if (answers.empty())
            return;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible() || handled.contains(box))
                continue;
            bool ok = answers.front();
            answers.erase(answers.begin());
            handled.append(box);
            seen.push_back({box->windowTitle(), box->text(), ok});
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == (ok ? QStringLiteral("确定") : QStringLiteral("取消"))) {
                    button->click();
                    break;
                }
            }
            return;
        }
    }

    QTimer timer;
    std::vector<bool> answers;
    std::vector<Box> seen;
    QList<QPointer<QMessageBox>> handled;
};

class WindowFixture
{
public:
    explicit WindowFixture(const std::string& scenario)
    {
        ui::ResetClosingForTest();
        SandboxOptions options;
        options.scenarioJson = scenario;
        options.seed = 7;
        sandbox = std::make_unique<SandboxProcess>(options);
        window = std::make_unique<ui::MainWindow>();
        SessionControls controls = window->Controls();
        controls.shell = &shell;
        session = std::make_unique<ClientSession>(controls);
        presenter = std::make_unique<desktop::MainPresenter>(*window, *session);
    }

    ~WindowFixture()
    {
        // What the client told the user, for the failure report.
        if (QTest::currentTestFailed())
            qWarning().noquote() << "tips box:\n" << window->TipsView()->toPlainText();
        presenter->Detach();
        session->StopAndWait();
        presenter.reset();
        session.reset();
        window.reset();
    }

    // Loads the settings, points them at the sandbox with short polling, signs in, starts the
    // session and shows the window. configure may change the settings record before the window
    // reads them.
    bool SignInAndStart(const std::function<void(SettingsValues&)>& configure = {})
    {
        if (!sandbox->Started())
            return false;
        session->LoadSettings();
        ConfigCenter& config = session->Config();
        config.Update([&](SettingsValues& values) {
            values.apiHost = values.servicesHost = values.webSite = sandbox->Host();
            values.userName = u"demo";
            values.password = u"demo";
            values.spaceTime = 200;
            values.autoGetSms = 1;
            values.autoExtractCode = 1;
            values.listAutoSort = 1;
            values.autoRun = 0;
            if (configure)
                configure(values);
        });
        config.SetExecutableLocation(QDir(logHome.path()).absolutePath().toStdU16String(), config.ExecutablePath());
        presenter->ShowSettings();
        session->StartSignIn();
        if (!session->WaitForSignIn(std::chrono::seconds(20)))
            return false;
        if (!session->Start())
            return false;
        presenter->ShowWindow();
        return true;
    }

    // Waits, serving the GUI thread, until every command queued so far has been carried out.
    bool Drain(int milliseconds = 20000)
    {
        uint64_t ticket = session->Push(0);
        return QTest::qWaitFor([&] { return session->WaitForCommand(ticket, std::chrono::milliseconds(0)); },
                               milliseconds);
    }

    // Runs work on a worker thread, serving the GUI thread until it is done; false on time-out.
    static bool OnWorker(const std::function<void()>& work, int milliseconds = 20000)
    {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done = true;
        });
        bool finished = QTest::qWaitFor([&] { return done.load(); }, milliseconds);
        if (!finished)
            ui::BeginClosing(); // a stuck worker is let go, so the test fails instead of hanging
        worker.join();
        return finished;
    }

    ui::NumberListModel& Rows() { return *window->NumberList()->Model(); }
    QString Cell(int row, int column) { return Rows().Text(row, column); }
    QStringList Column(int column)
    {
        QStringList texts;
        for (int row = 0; row < Rows().rowCount(); ++row)
            texts << Cell(row, column);
        return texts;
    }

    // One member of the demo account in the sandbox's state: "held" (objects with "mobile"),
    // "released" or "blacklist".
    QStringList SandboxNumbers(const QString& member)
    {
        QJsonObject state = QJsonDocument::fromJson(QByteArray::fromStdString(sandbox->State())).object();
        QStringList numbers;
        for (const QJsonValue& account : state.value(QStringLiteral("accounts")).toArray()) {
            if (account.toObject().value(QStringLiteral("user")).toString() != QStringLiteral("demo"))
                continue;
            for (const QJsonValue& entry : account.toObject().value(member).toArray())
                numbers << (entry.isObject() ? entry.toObject().value(QStringLiteral("mobile")).toString()
                                             : entry.toString());
        }
        return numbers;
    }

    TempSettingsDir settingsDir;
    QTemporaryDir logHome;
    std::unique_ptr<SandboxProcess> sandbox;
    HeadlessShell shell;
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<ClientSession> session;
    std::unique_ptr<desktop::MainPresenter> presenter;
};

} // namespace kh::test
