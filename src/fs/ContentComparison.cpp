// Comparing two held items byte for byte: the last word before a copy is removed, since a fingerprint
// made from samples, or even from the whole content, can agree for files that differ. Everything is
// read through the descriptors held, never by path, so what is compared is what will be removed.
#include "fs/FileManagerProxy.h"

#include "fs/HeldItem.h"
#include "platform/UniqueFd.h"

#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

using Comparison = FileManagerProxy::Comparison;
using Member = HeldItem::Member;

// Reads up to length bytes at offset, going on after short reads; the count, or -1 on a failure.
qint64 readFully(int fd, char *buffer, qint64 length, qint64 offset)
{
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, buffer + got, size_t(length - got), offset + got);
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

Comparison compareOpenFiles(int fa, int fb)
{
    struct stat sa, sb;
    if (::fstat(fa, &sa) != 0 || ::fstat(fb, &sb) != 0 || !S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode))
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
    for (qint64 offset = 0;; offset += block) {
        const qint64 na = readFully(fa, bufferA.get(), block, offset);
        const qint64 nb = readFully(fb, bufferB.get(), block, offset);
        if (na < 0 || nb < 0)
            return Comparison::Unreadable;
        if (na != nb || std::memcmp(bufferA.get(), bufferB.get(), size_t(na)) != 0)
            return Comparison::Different;
        if (na < block)
            return Comparison::Identical;
    }
}

std::optional<QByteArray> linkText(int dirFd, const QByteArray &path)
{
    QByteArray text(4096, Qt::Uninitialized);
    const ssize_t n = ::readlinkat(dirFd, path.constData(), text.data(), size_t(text.size()));
    if (n < 0 || n >= text.size())
        return std::nullopt;
    text.resize(n);
    return text;
}

// A member's content: the link text for links, the bytes for files (checked to be the member listed, so
// a folder on the way swapped for a link meanwhile makes it unreadable, never leads elsewhere).
Comparison compareMembers(int packageA, const Member &a, int packageB, const Member &b)
{
    if (a.id == b.id)
        return Comparison::SameFile;
    if (a.type != b.type)
        return Comparison::Different;
    if (S_ISLNK(a.type)) {
        const auto ta = linkText(packageA, a.path), tb = linkText(packageB, b.path);
        if (!ta || !tb)
            return Comparison::Unreadable;
        return *ta == *tb ? Comparison::Identical : Comparison::Different;
    }
    if (!S_ISREG(a.type))
        return Comparison::Different;
    const auto open = [](int package, const Member &member) {
        UniqueFd fd(::openat(package, member.path.constData(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat st;
        if (fd &&
            (::fstat(fd.get(), &st) != 0 || st.st_ino != member.id.inode || st.st_dev != member.id.device))
            return UniqueFd();
        return fd;
    };
    const UniqueFd fa = open(packageA, a), fb = open(packageB, b);
    if (!fa || !fb)
        return Comparison::Unreadable;
    return compareOpenFiles(fa.get(), fb.get());
}

// The members that a package's content is: everything but ".DS_Store".
QList<Member> contentMembers(QList<Member> members)
{
    members.removeIf([](const Member &member) {
        return member.path == ".DS_Store" || member.path.endsWith("/.DS_Store");
    });
    return members;
}

} // namespace

FileManagerProxy::Comparison FileManagerProxy::compareContents(const HeldItem &a, const HeldItem &b) const
{
    if (a.id() == b.id())
        return Comparison::SameFile;
    if (a.isRegularFile() && b.isRegularFile())
        return compareOpenFiles(a.fd(), b.fd());
    if (!a.isDirectory() || !b.isDirectory())
        return Comparison::Different;

    // Packages: the members their fingerprints cover, in the same order. A package that shares any
    // member with the other is the same data seen twice (a hard link, a bind mount), not a copy.
    int error = 0;
    const QList<Member> *listedA = a.members(&error);
    const QList<Member> *listedB = listedA ? b.members(&error) : nullptr;
    if (!listedA || !listedB)
        return Comparison::Unreadable;
    const QList<Member> membersA = contentMembers(*listedA), membersB = contentMembers(*listedB);
    QSet<FileId> idsB;
    for (const Member &member : membersB)
        idsB.insert(member.id);
    for (const Member &member : membersA) {
        if (idsB.contains(member.id))
            return Comparison::SameFile;
    }
    if (membersA.size() != membersB.size())
        return Comparison::Different;
    for (qsizetype i = 0; i < membersA.size(); ++i) {
        const Comparison member = compareMembers(a.fd(), membersA[i], b.fd(), membersB[i]);
        if (member != Comparison::Identical)
            return member;
    }
    return Comparison::Identical;
}
