#include "scan/FingerprintPrefetch.h"

#include "fs/FileManagerProxy.h"
#include "model/RootNode.h"
#include "platform/OnAllCores.h"
#include "platform/ReadDepth.h"
#include "scan/GroupIndex.h"

#include <QSet>

#include <algorithm>
#include <chrono>
#include <tuple>
#include <vector>

namespace {

// Calls progress at most every 50 ms, so that reading small files is not slowed by status texts.
class ProgressPacer
{
public:
    explicit ProgressPacer(const FingerprintPrefetch::Progress &progress) : m_progress(progress) {}

    void at(const MyTreeNode &node)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now < m_next || !m_progress)
            return;
        m_next = now + std::chrono::milliseconds(50);
        m_progress(node);
    }

private:
    const FingerprintPrefetch::Progress &m_progress;
    std::chrono::steady_clock::time_point m_next;
};

// Files that are compared by their precise fingerprint: equal in size and quick fingerprint.
struct SizeAndQuick
{
    qint64 size;
    CompactFingerprint quick;

    friend bool operator==(const SizeAndQuick &a, const SizeAndQuick &b)
    {
        return a.size == b.size && a.quick == b.quick;
    }
    friend size_t qHash(const SizeAndQuick &key, size_t seed)
    {
        return qHash(key.quick, qHash(key.size, seed));
    }
};

// Readers for the device of the first file: a stretch seldom crosses into another file system.
int readersFor(const QList<const MyTreeNode *> &files)
{
    const auto id = files.isEmpty() ? std::nullopt : files.first()->fileId();
    return id ? ReadDepth::readersOn(id->device) : coreCount();
}

} // namespace

// File systems place a file's data near its inode and give files made one after another neighbouring
// inode numbers, so reading in inode order reads a disk mostly forward: a rotating disk needs that,
// and a solid-state or virtual disk merges the neighbouring requests that readers in parallel make.
bool FingerprintPrefetch::isBeforeOnDisk(const MyTreeNode *a, const MyTreeNode *b)
{
    const FileKey first = fileKeyOf(*a), second = fileKeyOf(*b);
    return std::tie(first.device, first.inode) < std::tie(second.device, second.inode);
}

FingerprintPrefetch::FingerprintPrefetch(const QList<MyTreeNode::Ptr> &files, const Folders &folders,
                                         const GroupIndex &groups, const RootNode &root,
                                         PreciseLevel preciseLevel, FingerprintCache *cache,
                                         const Progress &progress)
    : FingerprintSource(preciseLevel, cache), m_root(root)
{
    m_folders.reserve(folders.size());
    for (qsizetype i = 0; i < folders.size(); ++i) {
        if (folders[i])
            m_folders.insert(files[i].get(), folders[i].get());
    }
    computeQuick(files, groups, root, progress);
    computePrecise(groups, progress);
}

FileManagerProxy::FileFingerprint FingerprintPrefetch::readFile(const MyTreeNode &node,
                                                                FingerprintLevel level) const
{
    return readWithCoverage(
        node, level, [this] { return m_root.isFinished(); }, folderOf(node));
}

FingerprintPrefetch::FileKey FingerprintPrefetch::fileKeyOf(const MyTreeNode &node)
{
    if (const auto id = node.fileId())
        return *id;
    // No inode number is all ones, so a node without an identity has a key of its own.
    return {~quint64(0), quint64(reinterpret_cast<quintptr>(&node))};
}

void FingerprintPrefetch::computeQuick(const QList<MyTreeNode::Ptr> &files, const GroupIndex &groups,
                                       const RootNode &root, const Progress &progress)
{
    QHash<qint64, int> filesOfSize;
    for (const MyTreeNode::Ptr &file : files)
        ++filesOfSize[file->FileSize()];
    QSet<const MyTreeNode *> listed;
    const auto read = [&](const MyTreeNode *file) {
        if (!listed.contains(file)) {
            listed.insert(file);
            m_read.append(file);
        }
    };
    for (const MyTreeNode::Ptr &file : files) {
        const qint64 size = file->FileSize();
        if (filesOfSize.value(size) < 2 && !groups.hasGroupsOfSize(size))
            continue;
        read(file.get());
        // An earlier group of the size compares its first member too, once.
        for (const MyTreeNode *first : groups.firstMembersOf(size, CompactFingerprint())) {
            if (!first->compactFileMD5().hasValue())
                read(first);
        }
    }

    // A file is read through the first of its names in walk order; its other names only show that they
    // still name it, so a name that vanished has no fingerprint even when another one remains.
    QHash<FileKey, qsizetype> readThrough;
    std::vector<qsizetype> toRead, sharing;
    for (qsizetype i = 0; i < m_read.size(); ++i) {
        const MyTreeNode &file = *m_read[i];
        const bool isShared = !file.isDir() && file.fileId() && readThrough.contains(*file.fileId());
        if (!isShared && !file.isDir() && file.fileId())
            readThrough.insert(*file.fileId(), i);
        (isShared ? sharing : toRead).push_back(i);
    }
    std::stable_sort(toRead.begin(), toRead.end(),
                     [this](qsizetype a, qsizetype b) { return isBeforeOnDisk(m_read[a], m_read[b]); });
    std::vector<FileManagerProxy::FileFingerprint> results(size_t(m_read.size()));
    ProgressPacer pacer(progress);
    forEachOnThreads(qsizetype(toRead.size()), readersFor(m_read), [&](qsizetype k, bool reports) {
        const qsizetype i = toRead[size_t(k)];
        if (root.isFinished())
            return;
        if (reports)
            pacer.at(*m_read[i]);
        results[size_t(i)] = readFile(*m_read[i], FingerprintLevel::Quick);
    });
    forEachOnThreads(qsizetype(sharing.size()), readersFor(m_read), [&](qsizetype k, bool) {
        const qsizetype i = sharing[size_t(k)];
        const MyTreeNode &file = *m_read[i];
        const auto &read = results[size_t(readThrough.value(*file.fileId()))];
        if (read.text && namesListedFile(file, folderOf(file)))
            results[size_t(i)] = read;
    });

    m_quick.reserve(m_read.size());
    for (qsizetype i = 0; i < m_read.size(); ++i) {
        const auto &result = results[size_t(i)];
        if (result.text)
            m_quick.insert(m_read[i], Quick{CompactFingerprint(result.text), result.isWholeContent});
    }
}

void FingerprintPrefetch::computePrecise(const GroupIndex &groups, const Progress &progress)
{
    // Files of one size and one quick fingerprint, earlier groups' first members included, are
    // compared by their precise fingerprint when they are not all one file on disk. A file read whole
    // already has it, and one that has a precise fingerprint stored needs none.
    QHash<SizeAndQuick, QList<const MyTreeNode *>> alike;
    for (const MyTreeNode *file : std::as_const(m_read)) {
        const auto quick = m_quick.constFind(file);
        if (quick != m_quick.constEnd())
            alike[SizeAndQuick{file->FileSize(), quick->text}].append(file);
    }
    QList<const MyTreeNode *> toRead;
    for (auto klass = alike.begin(); klass != alike.end(); ++klass) {
        QList<const MyTreeNode *> &files = *klass;
        for (const MyTreeNode *first : groups.firstMembersOf(klass.key().size, klass.key().quick)) {
            if (!files.contains(first))
                files.append(first);
        }
        QHash<FileKey, const MyTreeNode *> onDisk;
        for (const MyTreeNode *file : std::as_const(files)) {
            const auto quick = m_quick.constFind(file);
            const bool hasPrecise = (quick != m_quick.constEnd() && quick->isWholeContent) ||
                                    file->compactPreciseFileMD5().hasValue();
            const FileKey key = fileKeyOf(*file);
            if (!hasPrecise || !onDisk.contains(key))
                onDisk.insert(key, hasPrecise ? nullptr : file);
        }
        if (onDisk.size() < 2)
            continue;
        for (const MyTreeNode *file : std::as_const(onDisk)) {
            if (file)
                toRead.append(file);
        }
    }

    // Whole contents of files are digested many at a time; sampled ones and packages one by one.
    QList<const MyTreeNode *> whole, single;
    for (const MyTreeNode *file : std::as_const(toRead))
        (!file->isDir() && preciseLevel(file->FileSize()) == FingerprintLevel::WholeContent ? whole : single)
            .append(file);
    std::stable_sort(whole.begin(), whole.end(), isBeforeOnDisk);
    std::stable_sort(single.begin(), single.end(), isBeforeOnDisk);

    ProgressPacer pacer(progress);
    const auto proceed = [&](const MyTreeNode &file, bool reports) {
        if (reports)
            pacer.at(file);
        return !m_root.isFinished();
    };
    QList<const Directory *> wholeFolders;
    for (const MyTreeNode *file : std::as_const(whole))
        wholeFolders.append(folderOf(*file));
    const auto wholeResults = readWholeContents(
        whole, [&](qsizetype i, bool reports) { return proceed(*whole[i], reports); },
        [this] { return m_root.isFinished(); }, wholeFolders);
    std::vector<std::optional<QString>> singleResults(size_t(single.size()));
    forEachOnThreads(single.size(), readersFor(single), [&](qsizetype i, bool reports) {
        if (proceed(*single[i], reports))
            singleResults[size_t(i)] = readFile(*single[i], preciseLevel(single[i]->FileSize())).text;
    });

    const auto keep = [&](const QList<const MyTreeNode *> &files, const auto &results) {
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (const auto &text = results[size_t(i)])
                m_precise.insert(fileKeyOf(*files[i]), Precise{CompactFingerprint(text),
                                                               preciseLevel(files[i]->FileSize()), files[i]});
        }
    };
    keep(whole, wholeResults);
    keep(single, singleResults);
}

std::optional<CompactFingerprint> FingerprintPrefetch::fingerprint(const MyTreeNode &node,
                                                                   FingerprintLevel level)
{
    if (auto text = ready(node, level))
        return text;
    if (m_root.isFinished())
        return std::nullopt;
    const CompactFingerprint text(readFile(node, level).text);
    // A read cut short by a stop says nothing of the file.
    if (!text.hasValue() && m_root.isFinished())
        return std::nullopt;
    return text;
}

std::optional<CompactFingerprint> FingerprintPrefetch::ready(const MyTreeNode &node,
                                                             FingerprintLevel level) const
{
    const auto quick = m_quick.constFind(&node);
    const bool quickIsReady = quick != m_quick.constEnd();
    if (quickIsReady && (level == FingerprintLevel::Quick || quick->isWholeContent))
        return quick->text;
    const auto precise = m_precise.constFind(fileKeyOf(node));
    if (precise == m_precise.constEnd() || precise->level != level)
        return std::nullopt;
    // Another name of the file is trusted only when this one was read too.
    if (precise->readThrough != &node && !quickIsReady)
        return std::nullopt;
    return precise->text;
}
