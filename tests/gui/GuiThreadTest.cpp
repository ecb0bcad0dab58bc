// The marshalling of port calls to the GUI thread: direct on the GUI thread, posted and waited for
// from a worker, and no waiting caller left behind once closing has begun or the call's context
// object is gone.

#include "ui/qt/GuiThread.h"

#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

using namespace kh::ui;

class GuiThreadTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { ResetClosingForTest(); }
    void cleanup() { ResetClosingForTest(); }

    void callOnGuiThreadRunsAtOnce()
    {
        QThread* ranOn = nullptr;
        // No event is processed in between: a queued call would not have run yet.
        QVERIFY(RunOnGuiThread([&] { ranOn = QThread::currentThread(); }));
        QCOMPARE(ranOn, QThread::currentThread());
    }

    void workerCallRunsOnGuiThreadAndReturnsItsResult()
    {
        QThread* gui = QThread::currentThread();
        std::atomic<bool> done{false};
        QThread* ranOn = nullptr;
        int result = 0;
        std::thread worker([&] {
            result = OnGuiThread([&] {
                ranOn = QThread::currentThread();
                return 42;
            });
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
        worker.join();
        QCOMPARE(ranOn, gui);
        QCOMPARE(result, 42);
    }

    void closingReleasesAWaitingWorkerWithoutRunningItsCall()
    {
        std::atomic<bool> ran{false};
        std::atomic<int> result{-1};
        std::thread worker([&] {
            result = OnGuiThread(
                [&] {
                    ran = true;
                    return 7;
                },
                0);
        });
        // The GUI thread serves no events while it waits here (WaitUntil only sleeps), so the call
        // stays queued until closing begins.
        QVERIFY(kh::test::WaitUntil([] { return WaitingCalls() == 1; }));
        BeginClosing();
        worker.join();
        QCOMPARE(result.load(), 0);
        QCoreApplication::processEvents();
        QVERIFY(!ran.load());
        // After closing nothing is queued any more.
        QVERIFY(!RunOnGuiThread([&] { ran = true; }));
        QVERIFY(!ran.load());
    }

    void callAlreadyRunningWhenClosingBeginsIsWaitedFor()
    {
        std::atomic<bool> done{false};
        bool ranToEnd = false;
        bool reported = false;
        std::thread worker([&] {
            reported = RunOnGuiThread([&] {
                BeginClosing();
                ranToEnd = true;
            });
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
        worker.join();
        QVERIFY(ranToEnd);
        QVERIFY(reported);
    }

    void callForADeletedContextIsDroppedAndItsCallerReleased()
    {
        auto* context = new QObject;
        std::atomic<bool> ran{false};
        std::atomic<bool> done{false};
        std::thread worker([&] {
            RunOnGuiThread(
                context, [&] { ran = true; }, true);
            done = true;
        });
        QVERIFY(kh::test::WaitUntil([] { return WaitingCalls() == 1; }));
        delete context;
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
        worker.join();
        QVERIFY(!ran.load());
    }

    void postedCallsRunInOrderWithoutWaiting()
    {
        QObject context;
        QList<int> order;
        std::thread worker([&] {
            for (int i = 0; i < 50; ++i)
                RunOnGuiThread(
                    &context, [&order, i] { order << i; }, false);
        });
        worker.join();
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), 50, 10000);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(order[i], i);
    }
};

QTEST_MAIN(GuiThreadTest)
#include "GuiThreadTest.moc"
