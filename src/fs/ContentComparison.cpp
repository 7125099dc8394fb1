// Comparing two items byte for byte: the last word before a copy is removed, since a fingerprint made
// from samples, or even from the whole content, can agree for files that differ.
#include "fs/FileManagerProxy.h"

#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

using Comparison = FileManagerProxy::Comparison;

// Opens a regular file for reading, never through a final link, never blocking on a special file.
UniqueFd openRegular(const Url &url, struct stat *st)
{
    UniqueFd fd(::open(url.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK));
    if (!fd || ::fstat(fd.get(), st) != 0 || !S_ISREG(st->st_mode))
        return UniqueFd();
    return fd;
}

// Reads up to length bytes, going on after short reads; the count, or -1 on a failure.
qint64 readFully(int fd, char *buffer, qint64 length)
{
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::read(fd, buffer + got, size_t(length - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

Comparison compareFiles(const Url &a, const Url &b)
{
    struct stat sa, sb;
    const UniqueFd fa = openRegular(a, &sa);
    const UniqueFd fb = openRegular(b, &sb);
    if (!fa || !fb)
        return Comparison::Unreadable;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
        return Comparison::SameFile;
    if (sa.st_size != sb.st_size)
        return Comparison::Different;
    // Buffers no larger than the files (one byte more shows one that grew): most copies a clean-up
    // compares are small, and preparing a large buffer for each cost more than reading them.
    const qint64 block = std::min<qint64>(sa.st_size + 1, 1 << 20);
    const auto bufferA = std::make_unique_for_overwrite<char[]>(size_t(block));
    const auto bufferB = std::make_unique_for_overwrite<char[]>(size_t(block));
    for (;;) {
        const qint64 na = readFully(fa.get(), bufferA.get(), block);
        const qint64 nb = readFully(fb.get(), bufferB.get(), block);
        if (na < 0 || nb < 0)
            return Comparison::Unreadable;
        if (na != nb || std::memcmp(bufferA.get(), bufferB.get(), size_t(na)) != 0)
            return Comparison::Different;
        if (na < block)
            return Comparison::Identical;
    }
}

std::optional<QByteArray> linkText(const Url &url)
{
    QByteArray text(4096, Qt::Uninitialized);
    const ssize_t n = ::readlink(url.c_str(), text.data(), size_t(text.size()));
    if (n < 0 || n >= text.size())
        return std::nullopt;
    text.resize(n);
    return text;
}

// One member of a package against its counterpart: contents for files, the link text for links.
Comparison compareMembers(const Url &a, const Url &b)
{
    struct stat sa, sb;
    if (::lstat(a.c_str(), &sa) != 0 || ::lstat(b.c_str(), &sb) != 0)
        return Comparison::Unreadable;
    if (S_ISLNK(sa.st_mode) && S_ISLNK(sb.st_mode)) {
        const auto ta = linkText(a), tb = linkText(b);
        if (!ta || !tb)
            return Comparison::Unreadable;
        return *ta == *tb ? Comparison::Identical : Comparison::Different;
    }
    if (S_ISLNK(sa.st_mode) != S_ISLNK(sb.st_mode))
        return Comparison::Different;
    return compareFiles(a, b);
}

} // namespace

FileManagerProxy::Comparison FileManagerProxy::compareContents(const Url &a, const Url &b) const
{
    const auto attributesA = attributesOfItemAtURL(a);
    const auto attributesB = attributesOfItemAtURL(b);
    if (!attributesA || !attributesB)
        return Comparison::Unreadable;
    if (attributesA->device == attributesB->device && attributesA->inode == attributesB->inode)
        return Comparison::SameFile;
    if (attributesA->isRegularFile() && attributesB->isRegularFile())
        return compareFiles(a, b);
    if (!attributesA->isDirectory() || !attributesB->isDirectory())
        return Comparison::Different;

    // Packages: the members their fingerprints cover, in the same order.
    const auto membersOf = [this](const Url &package) {
        QList<Url> members = getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                                 package, false, false, false, false)
                                 .value_or(QList<Url>());
        members.removeIf([](const Url &member) { return member.fileName() == ".DS_Store"; });
        std::sort(members.begin(), members.end(),
                  [](const Url &x, const Url &y) { return x.path() < y.path(); });
        return members;
    };
    const QList<Url> membersA = membersOf(a);
    const QList<Url> membersB = membersOf(b);
    if (membersA.size() != membersB.size())
        return Comparison::Different;
    for (qsizetype i = 0; i < membersA.size(); ++i) {
        const Comparison member = compareMembers(membersA[i], membersB[i]);
        if (member != Comparison::Identical)
            return member == Comparison::SameFile ? Comparison::Identical : member;
    }
    return Comparison::Identical;
}
