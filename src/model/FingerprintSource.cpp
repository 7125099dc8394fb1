#include "model/FingerprintSource.h"

#include "fs/FileManagerProxy.h"
#include "model/MyTreeNode.h"

std::optional<CompactFingerprint> FingerprintSource::fingerprint(const MyTreeNode &node,
                                                                 FingerprintLevel level)
{
    return read(node, level);
}

CompactFingerprint FingerprintSource::read(const MyTreeNode &node, FingerprintLevel level,
                                           const std::function<bool()> &stopRequested) const
{
    return CompactFingerprint(readWithCoverage(node, level, stopRequested).text);
}

std::optional<FingerprintCache::Fingerprint> FingerprintSource::remembered(const MyTreeNode &node,
                                                                           FingerprintLevel level) const
{
    const auto id = node.fileId();
    if (!m_cache || node.isDir() || !id)
        return std::nullopt;
    // The walk's own attributes make the key, so a file the cache knows is not even looked at again.
    return m_cache->lookup({id->device, id->inode, node.FileSize(), node.modificationNanoseconds(),
                            node.changeNanoseconds(), qint64(level)});
}

FileManagerProxy::FileFingerprint
FingerprintSource::readWithCoverage(const MyTreeNode &node, FingerprintLevel level,
                                    const std::function<bool()> &stopRequested, const Directory *folder) const
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    if (node.isDir())
        return {fm.dirMD5_withLeel(node.FileURL(), qint64(level), node.fileId(), stopRequested), false};
    if (auto known = remembered(node, level))
        return {std::move(known->text), known->isWholeContent};
    if (folder)
        return fm.fileFingerprintIn(*folder, node.FileURL(), qint64(level), node.fileId(), stopRequested,
                                    m_cache);
    return fm.fileFingerprint(node.FileURL(), qint64(level), node.fileId(), stopRequested, m_cache);
}

std::vector<std::optional<QString>>
FingerprintSource::readWholeContents(const QList<const MyTreeNode *> &files,
                                     const std::function<bool(qsizetype i, bool isCallingThread)> &proceed,
                                     const std::function<bool()> &stopRequested,
                                     const QList<const Directory *> &folders) const
{
    std::vector<std::optional<QString>> results(size_t(files.size()));
    // Only what the cache does not answer is read; toRead[j] is the index of the file read j-th.
    QList<qsizetype> toRead;
    QList<Url> urls;
    QList<std::optional<FileId>> listed;
    QList<const Directory *> readFolders;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const MyTreeNode &file = *files[i];
        if (auto known = remembered(file, FingerprintLevel::WholeContent)) {
            results[size_t(i)] = std::move(known->text);
            continue;
        }
        toRead.append(i);
        urls.append(file.FileURL());
        listed.append(file.fileId());
        readFolders.append(folders.isEmpty() ? nullptr : folders[i]);
    }
    const auto read = FileManagerProxy::sharedInstance().wholeContentFingerprints(
        urls, [&](qsizetype j, bool isCallingThread) { return proceed(toRead[j], isCallingThread); }, listed,
        stopRequested, m_cache, readFolders);
    for (qsizetype j = 0; j < toRead.size(); ++j)
        results[size_t(toRead[j])] = read[size_t(j)];
    return results;
}

bool FingerprintSource::namesListedFile(const MyTreeNode &node, const Directory *folder)
{
    const auto id = node.fileId();
    if (!id)
        return false;
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    return folder ? fm.namesFileIn(*folder, node.FileURL(), *id) : fm.namesFile(node.FileURL(), *id);
}
