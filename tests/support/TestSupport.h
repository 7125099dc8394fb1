#pragma once

#include "fs/FileManagerProxy.h"
#include "platform/Url.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// A private home for one test process: HOME and the XDG folders point into a temporary directory,
// so settings, caches and the trash are the test's own. Must be set up before anything reads them.
class TestHome
{
public:
    TestHome();

private:
    QTemporaryDir m_dir;
};

// Helpers that build real trees from byte paths. Files and folders are given the folders they need.
namespace TestFs {
void writeFile(const Url &url, const QByteArray &content);
QByteArray readFile(const Url &url);
void makeDir(const Url &url);
void makeSymlink(const QByteArray &target, const Url &link);
bool exists(const Url &url);
// A sparse file of the given size with no content written.
void makeSparseFile(const Url &url, qint64 size);
// Removes a tree whose names may not be UTF-8 (QTemporaryDir cannot remove those itself).
void removeTree(const Url &url);
// The names in a folder, sorted; none when it cannot be listed.
QList<QByteArray> entries(const Url &dir);
// What lstat says of the item; all zero when there is none.
struct stat statOf(const Url &url);
// The trash in the test's own data home.
Url homeTrash();
// Waits, without sleeping, until the clock that stamps change times has passed the item's change
// time: whatever changes it after that gives it a later one, even within one tick of that clock.
void letChangeTimeAdvance(const Url &url);
// Sets the item's modification time, in nanoseconds since the epoch, and leaves its access time.
void setModificationTime(const Url &url, qint64 nanoseconds);
} // namespace TestFs

inline FileManagerProxy &fm()
{
    return FileManagerProxy::sharedInstance();
}

// n bytes that the seed always makes the same.
QByteArray randomBytes(qsizetype n, quint32 seed);

// A temporary folder that is removed with everything in it, whatever the names inside.
class TemporaryTree
{
public:
    TemporaryTree() : m_url(Url::fromPath(m_dir.path().toUtf8())) {}
    // In another folder than the system's temporary one (on another file system, say).
    explicit TemporaryTree(const QByteArray &parent)
        : m_dir(QString::fromUtf8(parent + "/twinsift-test-XXXXXX")),
          m_url(Url::fromPath(m_dir.path().toUtf8()))
    {
    }
    ~TemporaryTree() { TestFs::removeTree(m_url); }
    const Url &url() const { return m_url; }
    // Writes a file directly inside the tree.
    Url file(const QByteArray &name, const QByteArray &content) const
    {
        const Url url = m_url.child(name);
        TestFs::writeFile(url, content);
        return url;
    }

private:
    QTemporaryDir m_dir;
    Url m_url;
};

// main() for a test class: gives the process its own home first, then runs the class.
#define TWINSIFT_TEST_MAIN(TestClass, ApplicationClass)                                                      \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        TestHome home;                                                                                       \
        ApplicationClass app(argc, argv);                                                                    \
        TestClass test;                                                                                      \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
