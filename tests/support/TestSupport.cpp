#include "support/TestSupport.h"

#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// mkdir -p.
bool makePath(const QByteArray &path, mode_t mode)
{
    if (::mkdir(path.constData(), mode) == 0 || errno == EEXIST)
        return true;
    const qsizetype slash = path.lastIndexOf('/');
    return errno == ENOENT && slash > 0 && makePath(path.left(slash), mode) &&
           (::mkdir(path.constData(), mode) == 0 || errno == EEXIST);
}

} // namespace

TestHome::TestHome()
{
    const QByteArray base = m_dir.path().toUtf8();
    const QList<QPair<const char *, QByteArray>> folders = {
        {"HOME", base + "/home"},
        {"XDG_CONFIG_HOME", base + "/home/.config"},
        {"XDG_DATA_HOME", base + "/home/.local/share"},
        {"XDG_CACHE_HOME", base + "/home/.cache"},
    };
    for (const auto &[name, folder] : folders) {
        makePath(folder, 0700);
        qputenv(name, folder);
    }
}

namespace TestFs {

void writeFile(const Url &url, const QByteArray &content)
{
    const auto create = [&] { return ::open(url.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); };
    int fd = create();
    if (fd < 0 && errno == ENOENT && makePath(url.parent().path(), 0755))
        fd = create();
    if (fd < 0)
        qFatal("cannot create %s", url.c_str());
    qsizetype written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + written, content.size() - written);
        if (n <= 0)
            qFatal("cannot write %s", url.c_str());
        written += n;
    }
    ::close(fd);
}

QByteArray readFile(const Url &url)
{
    QByteArray content;
    const int fd = ::open(url.c_str(), O_RDONLY);
    if (fd < 0)
        return content;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, n);
    ::close(fd);
    return content;
}

void makeDir(const Url &url)
{
    if (!makePath(url.path(), 0755))
        qFatal("cannot make folder %s", url.c_str());
}

void makeSymlink(const QByteArray &target, const Url &link)
{
    if (::symlink(target.constData(), link.c_str()) != 0)
        qFatal("cannot make link %s", link.c_str());
}

bool exists(const Url &url)
{
    struct stat st;
    return ::lstat(url.c_str(), &st) == 0;
}

void makeSparseFile(const Url &url, qint64 size)
{
    const int fd = ::open(url.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0)
        qFatal("cannot make sparse file %s", url.c_str());
    ::close(fd);
}

void removeTree(const Url &url)
{
    ::nftw(
        url.c_str(),
        [](const char *path, const struct stat *, int type, struct FTW *) {
            if (type == FTW_DP)
                ::rmdir(path);
            else
                ::unlink(path);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
}

QList<QByteArray> entries(const Url &dir)
{
    QList<QByteArray> names;
    if (DIR *stream = ::opendir(dir.c_str())) {
        while (const dirent *entry = ::readdir(stream)) {
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                names.append(entry->d_name);
        }
        ::closedir(stream);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void letChangeTimeAdvance(const Url &url)
{
    const struct stat item = statOf(url);
    const qint64 changed = qint64(item.st_ctim.tv_sec) * 1'000'000'000 + item.st_ctim.tv_nsec;
    timespec now{};
    do {
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    } while (qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec <= changed);
}

void setModificationTime(const Url &url, qint64 nanoseconds)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {nanoseconds / 1'000'000'000, nanoseconds % 1'000'000'000}};
    QCOMPARE(::utimensat(AT_FDCWD, url.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

struct stat statOf(const Url &url)
{
    struct stat st = {};
    ::lstat(url.c_str(), &st);
    return st;
}

Url homeTrash()
{
    return Url::fromPath(qgetenv("XDG_DATA_HOME") + "/Trash");
}

} // namespace TestFs

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QByteArray bytes(n, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}
