#pragma once

#include "clean/CleanFrontEnd.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <mutex>

// Asks the user, over the main window, what to do when a removal of the clean task fails, and says
// when sending a file to the trash failed and which files an undo could not put back. It also keeps
// count of the files a task has handled and why each failed one stays, for the task window to read
// while the task runs and after its alerts have closed.
class CleanAlert : public CleanFrontEnd
{
public:
    explicit CleanAlert(QWidget *window) : m_window(window) {}

    AlertAnswer answerFailure(const MyTreeNode &file, const Error &error) override;
    void reportTrashFailure(const MyTreeNode &file, const Error &error) override;
    void reportUndoFailures(const QList<FileFailure> &failures) override;
    void removed(const MyTreeNode &file, const Url &destination) override;
    void failed(const MyTreeNode &file, const Error &error) override;

    // Forgets the counts and failures of the last task; main thread, before a task starts.
    void resetCounts();
    // The files removed or failed so far; any thread.
    qint64 handledFiles() const { return m_handled; }
    // Why each file that failed stays, in the order of the failures; any thread.
    QStringList failures() const;

private:
    QPointer<QWidget> m_window;
    std::atomic<qint64> m_handled{0};
    mutable std::mutex m_failuresMutex;
    QStringList m_failures;
};
