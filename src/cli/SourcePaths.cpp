#include "cli/SourcePaths.h"

#include "fs/FileManagerProxy.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>

namespace {

const QByteArray nothingThere = "nothing exists there";

// The path with every link in it resolved, or the reason there is none.
std::pair<QByteArray, QByteArray> resolved(const Url &link)
{
    const std::unique_ptr<char, decltype(&std::free)> target(::realpath(link.c_str(), nullptr), &std::free);
    if (!target)
        return {QByteArray(), errno == ENOENT ? nothingThere : QByteArray(std::strerror(errno))};
    return {QByteArray(target.get()), QByteArray()};
}

} // namespace

const SourcePaths::Entry &SourcePaths::add(const QByteArray &path)
{
    Entry &entry = m_entries.emplace_back(Entry{path, nullptr, QByteArray()});
    const bool alreadyAdded = std::any_of(m_entries.cbegin(), m_entries.cend() - 1, [&](const Entry &other) {
        return other.root && other.path == path;
    });
    if (alreadyAdded) {
        entry.skipReason = "already a source";
        return entry;
    }
    const Url url = Url::fromAbsolutePath(path);
    const std::optional<FileAttributes> item = FileManagerProxy::sharedInstance().attributesOfItemAtURL(url);
    QByteArray sourcePath = path;
    if (item && item->isSymbolicLink()) {
        QByteArray reason;
        std::tie(sourcePath, reason) = resolved(url);
        if (sourcePath.isEmpty()) {
            entry.skipReason = reason;
            return entry;
        }
    }
    entry.root = RootNode::initWithPath(sourcePath);
    if (!entry.root) {
        entry.skipReason = nothingThere;
        return entry;
    }
    m_positions.insert(entry.root.get(), m_entries.size() - 1);
    if (sourcePath != path)
        m_links.insert(entry.root.get(),
                       {sourcePath.endsWith('/') ? sourcePath : sourcePath + '/', url.path()});
    return entry;
}

QList<RootNode::Ptr> SourcePaths::roots() const
{
    QList<RootNode::Ptr> roots;
    for (const Entry &entry : m_entries) {
        if (entry.root)
            roots.append(entry.root);
    }
    return roots;
}

const QByteArray &SourcePaths::givenPath(const RootNode &root) const
{
    return m_entries.at(position(root)).path;
}

QByteArray SourcePaths::shown(const RootNode *root, const QByteArray &path) const
{
    const auto link = m_links.constFind(root);
    if (link == m_links.constEnd())
        return path;
    if (path.size() == link->targetPrefix.size() - 1 && link->targetPrefix.startsWith(path))
        return link->linkPath;
    if (!path.startsWith(link->targetPrefix))
        return path;
    return link->linkPath + '/' + path.mid(link->targetPrefix.size());
}

QByteArray SourcePaths::shown(const MyTreeNode &file) const
{
    return shown(file.rootNode().get(), file.FileURL().path());
}
