#include "model/FingerprintSource.h"

#include "fs/FileManagerProxy.h"
#include "model/MyTreeNode.h"

std::optional<CompactFingerprint> FingerprintSource::fingerprint(const MyTreeNode &node,
                                                                 FingerprintLevel level)
{
    return read(node, level);
}

CompactFingerprint FingerprintSource::read(const MyTreeNode &node, FingerprintLevel level,
                                           const std::function<bool()> &stopRequested)
{
    return CompactFingerprint(readWithCoverage(node, level, stopRequested).text);
}

FileManagerProxy::FileFingerprint
FingerprintSource::readWithCoverage(const MyTreeNode &node, FingerprintLevel level,
                                    const std::function<bool()> &stopRequested)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    if (node.isDir())
        return {fm.dirMD5_withLeel(node.FileURL(), qint64(level), node.fileId(), stopRequested), false};
    return fm.fileFingerprint(node.FileURL(), qint64(level), node.fileId(), stopRequested);
}

std::vector<std::optional<QString>>
FingerprintSource::readWholeContents(const QList<const MyTreeNode *> &files,
                                     const std::function<bool(qsizetype i, bool isCallingThread)> &proceed,
                                     const std::function<bool()> &stopRequested)
{
    QList<Url> urls;
    QList<std::optional<FileId>> listed;
    for (const MyTreeNode *file : files) {
        urls.append(file->FileURL());
        listed.append(file->fileId());
    }
    return FileManagerProxy::sharedInstance().wholeContentFingerprints(urls, proceed, listed, stopRequested);
}
