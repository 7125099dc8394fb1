#pragma once

#include "model/NodeList.h"
#include "platform/Image.h"
#include "platform/Url.h"

#include <QString>

#include <atomic>
#include <memory>
#include <optional>

// One source the user added: a folder or a single file, scanned, stopped and removed as a unit.
// allFiles and the totals change only on the scan queue; the main thread reads the totals, the
// flags and the index. Each single read or write of a property is indivisible.
class RootNode
{
    struct Token
    {
    };

public:
    using Ptr = std::shared_ptr<RootNode>;

    // No source when the path is empty or nothing exists there. A new source counts as running.
    // The path is native bytes, as the user gave it.
    static Ptr initWithPath(const QByteArray &path);

    RootNode(Token, QByteArray path);

    bool isRunning() const { return m_isRunning; }
    void setIsRunning(bool running) { m_isRunning = running; }
    // Setting it asks the scan to stop at its next check.
    bool isFinished() const { return m_isFinished; }
    void setIsFinished(bool finished) { m_isFinished = finished; }
    // Whether the last scan ended because it was asked to stop: the source holds what it took in
    // before the stop, not all its files.
    bool isStopped() const { return m_isStopped; }
    void setIsStopped(bool stopped) { m_isStopped = stopped; }
    // Whether nothing under the source may be removed, moved, trashed or replaced.
    bool isProtected() const { return m_isProtected; }
    void setIsProtected(bool isProtected) { m_isProtected = isProtected; }

    std::optional<Image> icon() const;

    // The files taken in. Scan queue only.
    NodeList &allFiles() { return m_allFiles; }

    qint64 totalFileNumber() const { return m_totalFileNumber; }
    void setTotalFileNumber(qint64 number) { m_totalFileNumber = number; }
    qint64 totalFileSize() const { return m_totalFileSize; }
    void setTotalFileSize(qint64 size) { m_totalFileSize = size; }

    // The path as the user gave it, as bytes; rootURL() is its absolute location.
    const QByteArray &rootPath() const { return m_rootPath; }
    Url rootURL() const { return Url::fromAbsolutePath(m_rootPath); }

    quint64 index() const { return m_index; }
    void setIndex(quint64 index) { m_index = index; }

private:
    std::atomic<bool> m_isRunning{true};
    std::atomic<bool> m_isFinished{false};
    std::atomic<bool> m_isStopped{false};
    std::atomic<bool> m_isProtected{false};
    std::optional<Image> m_icon;
    NodeList m_allFiles;
    std::atomic<qint64> m_totalFileNumber{0};
    std::atomic<qint64> m_totalFileSize{0};
    const QByteArray m_rootPath;
    std::atomic<quint64> m_index{0};
};
