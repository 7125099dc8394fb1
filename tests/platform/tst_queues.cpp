// Serial queues and hand-offs to the main thread: order, the thread things run on, and that a
// worker waiting on the main thread cannot hang the end of the program.
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "support/TestSupport.h"

#include <QThread>

#include <atomic>
#include <numeric>
#include <pthread.h>

class TestQueues : public QObject
{
    Q_OBJECT

    // Serves the main thread's hand-offs until the queue has run all it was given. No deadline: a
    // loaded machine may take its time, and a hang ends at the test's own time limit.
    static void drain(const SerialQueue &queue)
    {
        while (queue.pendingCount() != 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

private Q_SLOTS:
    void initTestCase() { MainThread::install(); }

    void tasksRunInOrderOneAtATimeOnTheNamedWorker()
    {
        SerialQueue queue(QStringLiteral("com.quenby.twinsift.SourceNodeManager"));
        std::vector<int> order;
        std::atomic<int> running{0}, overlaps{0};
        char name[32] = {};
        for (int i = 0; i < 200; ++i) {
            queue.async([&, i] {
                overlaps += running.fetch_add(1) != 0 || !queue.isCurrent();
                if (i == 0)
                    pthread_getname_np(pthread_self(), name, sizeof name);
                order.push_back(i);
                running.fetch_sub(1);
            });
        }
        QVERIFY(!queue.isCurrent());
        drain(queue);
        std::vector<int> expected(200);
        std::iota(expected.begin(), expected.end(), 0);
        QVERIFY(order == expected && overlaps == 0);
        // The label's end, as much of it as Linux keeps of a thread's name.
        QCOMPARE(QByteArray(name), QByteArray("urceNodeManager"));
    }

    void handOffsToTheMainThread()
    {
        SerialQueue queue(QStringLiteral("test"));
        std::atomic<int> syncSaw{-1}, asyncRanOnMain{-1};
        queue.async([&] {
            int value = 0;
            const bool ran = MainThread::sync([&] { value = MainThread::isCurrent() ? 42 : 1; });
            syncSaw = ran ? value : 0;
            MainThread::async([&] { asyncRanOnMain = MainThread::isCurrent(); });
        });
        drain(queue);
        QCOMPARE(syncSaw.load(), 42);
        while (asyncRanOnMain == -1)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCOMPARE(asyncRanOnMain.load(), 1);
        // On the main thread itself a hand-off runs at once.
        bool inline_ = false;
        QVERIFY(MainThread::sync([&] { inline_ = true; }) && inline_);
    }

    // Must stay last: it ends the hand-offs for this process.
    void quittingReleasesAWaitingWorker()
    {
        SerialQueue queue(QStringLiteral("test"));
        std::atomic<bool> taskRan{false};
        std::atomic<int> answer{-1};
        const int waiting = MainThread::pendingCount();
        queue.async([&] {
            // The main thread is busy in this test function and does not serve the hand-off.
            answer = MainThread::sync([&] { taskRan = true; }) ? 1 : 0;
        });
        while (MainThread::pendingCount() == waiting)
            QThread::yieldCurrentThread();
        QCOMPARE(answer.load(), -1);
        Q_EMIT QCoreApplication::instance()->aboutToQuit({});
        drain(queue);
        QCOMPARE(answer.load(), 0);
        QVERIFY(!taskRan.load());
        // Later hand-offs are refused at once.
        queue.async([&] { answer = MainThread::sync([] {}) ? 1 : 0; });
        drain(queue);
        QCOMPARE(answer.load(), 0);
    }
};

TWINSIFT_TEST_MAIN(TestQueues, QCoreApplication)
#include "tst_queues.moc"
