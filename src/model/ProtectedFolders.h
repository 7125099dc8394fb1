#pragma once

#include "platform/Url.h"

#include <QList>

// Folders whose files are never removed, moved, trashed or replaced: the protected sources, and on the
// command line any folder named to --protect. A file is covered by its path: it lies in one of the
// folders (or is one of them), whichever source reached it.
class ProtectedFolders
{
public:
    ProtectedFolders() = default;
    explicit ProtectedFolders(QList<Url> folders) : m_folders(std::move(folders)) {}

    bool isEmpty() const { return m_folders.isEmpty(); }
    const QList<Url> &folders() const { return m_folders; }
    bool covers(const Url &path) const
    {
        for (const Url &folder : m_folders) {
            const QByteArray &f = folder.path();
            if (path == folder ||
                (path.path().startsWith(f) && (f.endsWith('/') || path.path().at(f.size()) == '/')))
                return true;
        }
        return false;
    }

    friend bool operator==(const ProtectedFolders &, const ProtectedFolders &) = default;

private:
    QList<Url> m_folders;
};
