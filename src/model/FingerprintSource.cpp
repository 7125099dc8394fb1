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
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const qint64 number = qint64(level);
    return CompactFingerprint(
        node.isDir() ? fm.dirMD5_withLeel(node.FileURL(), number, node.fileId(), stopRequested)
                     : fm.fileMD5_withLevel(node.FileURL(), number, node.fileId(), stopRequested));
}
