#pragma once

#include "browser/ViewInterfaces.h"
#include "platform/Desktop.h"
#include "scan/ScanProgress.h"

#include <QSemaphore>
#include <QtTest>

#include <functional>

// The desktop as a test sees it: every file opened, item revealed and page opened is recorded.
class RecordingDesktop : public DesktopServices
{
public:
    QList<Url> opened;
    QList<QList<Url>> revealed;
    QList<QUrl> pages;

    bool openFile(const Url &url) override
    {
        opened.append(url);
        return true;
    }
    bool openWebPage(const QUrl &url) override
    {
        pages.append(url);
        return true;
    }
    void revealItems(const QList<Url> &urls) override { revealed.append(urls); }
};

// Holds a scan on the scan queue at the first moment `reachedWhen` answers true, until the test lets
// it go on; the test acts on the window meanwhile.
class ScanPause : public ScanProgress
{
public:
    std::function<bool(Phase, const Url &, qint64 filesTakenIn)> reachedWhen;

    void at(Phase phase, const Url &url) override { maybeHold(phase, url); }
    void fileTakenIn(const RootNode &, const MyTreeNode &file) override
    {
        ++m_files;
        maybeHold(Phase::Grouping, file.FileURL());
    }

    // Spins the event loop (the scan may need the main thread to get there) until the scan holds.
    bool waitUntilHeld()
    {
        QDeadlineTimer deadline(60000);
        while (!m_held.tryAcquire() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return !deadline.hasExpired();
    }
    void release() { m_resume.release(); }

private:
    void maybeHold(Phase phase, const Url &url)
    {
        if (m_done || !reachedWhen || !reachedWhen(phase, url, m_files))
            return;
        m_done = true;
        m_held.release();
        m_resume.acquire();
    }

    qint64 m_files = 0;
    bool m_done = false;
    QSemaphore m_held;
    QSemaphore m_resume;
};

// The add dialog answers at once with the paths a test chose.
class ChosenPaths : public OpenPanel
{
public:
    QList<QByteArray> paths;
    void beginSheetModal(const QString &, std::function<void(QList<QByteArray>)> completion) override
    {
        completion(paths);
    }
};
