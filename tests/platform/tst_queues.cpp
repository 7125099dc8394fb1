// Serial queues and hand-offs to the main thread: order, the thread things run on, and that a
// worker waiting on the main thread cannot hang the end of the program.
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "support/TestSupport.h"

#include <QThread>

#include <atomic>
#include <pthread.h>

class TestQueues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { MainThread::install(); }

    void tasksRunInOrderOneAtATimeOnTheNamedWorker()
    {
        SerialQueue queue(QStringLiteral("com.quenby.twinsift.SourceNodeManager"));
        std::mutex mutex;
        std::vector<int> order;
        std::atomic<int> running{0};
        std::atomic<int> overlaps{0};
        char name[32] = {};
        for (int i = 0; i < 200; ++i) {
            queue.async([&, i] {
                if (running.fetch_add(1) != 0)
                    ++overlaps;
                if (i == 0)
                    pthread_getname_np(pthread_self(), name, sizeof name);
                QVERIFY(queue.isCurrent());
                std::lock_guard lock(mutex);
                order.push_back(i);
                running.fetch_sub(1);
            });
        }
        QVERIFY(!queue.isCurrent());
        QTRY_COMPARE(queue.pendingCount(), size_t(0));
        std::vector<int> expected(200);
        std::iota(expected.begin(), expected.end(), 0);
        std::lock_guard lock(mutex);
        QCOMPARE(order, expected);
        QCOMPARE(overlaps.load(), 0);
        QCOMPARE(QByteArray(name), QByteArray("urceNodeManager"));
    }

    void syncHandOffRunsOnTheMainThreadAndWaits()
    {
        SerialQueue queue(QStringLiteral("test"));
        std::atomic<bool> ranOnMain{false};
        std::atomic<bool> sawResult{false};
        std::atomic<bool> done{false};
        queue.async([&] {
            int value = 0;
            const bool ran = MainThread::sync([&] {
                ranOnMain = MainThread::isCurrent();
                value = 42;
            });
            sawResult = ran && value == 42;
            done = true;
        });
        QTRY_VERIFY(done.load());
        QVERIFY(ranOnMain.load());
        QVERIFY(sawResult.load());

        // On the main thread itself a hand-off runs at once.
        bool inline_ = false;
        QVERIFY(MainThread::sync([&] { inline_ = true; }));
        QVERIFY(inline_);
    }

    void asyncHandOffRunsLaterOnTheMainThread()
    {
        SerialQueue queue(QStringLiteral("test"));
        std::atomic<int> ranOnMain{-1};
        queue.async([&] { MainThread::async([&] { ranOnMain = MainThread::isCurrent() ? 1 : 0; }); });
        QTRY_COMPARE(ranOnMain.load(), 1);
    }

    // Must stay last: it ends the hand-offs for this process.
    void quittingReleasesAWaitingWorker()
    {
        SerialQueue queue(QStringLiteral("test"));
        std::atomic<bool> entered{false};
        std::atomic<int> answer{-1};
        std::atomic<bool> taskRan{false};
        queue.async([&] {
            entered = true;
            // The main thread is busy in this test function and does not serve the hand-off.
            answer = MainThread::sync([&] { taskRan = true; }) ? 1 : 0;
        });
        while (!entered)
            QThread::msleep(1);
        QThread::msleep(50);
        QCOMPARE(answer.load(), -1);
        Q_EMIT QCoreApplication::instance()->aboutToQuit({});
        while (queue.pendingCount() != 0)
            QThread::msleep(1);
        QCOMPARE(answer.load(), 0);
        QCoreApplication::processEvents();
        QVERIFY(!taskRan.load());
        // Later hand-offs are refused at once.
        queue.async([&] { answer = MainThread::sync([] {}) ? 1 : 0; });
        while (queue.pendingCount() != 0)
            QThread::msleep(1);
        QCOMPARE(answer.load(), 0);
    }
};

TWINSIFT_TEST_MAIN(TestQueues, QCoreApplication)
#include "tst_queues.moc"
