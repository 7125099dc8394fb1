#include "clean/PlannedMoves.h"

#include "fs/DirectoryEntries.h"
#include "fs/FileOperationRules.h"
#include "platform/UniqueFd.h"

#include <QList>

#include <fcntl.h>

PlannedMoves::PlannedMoves(Url folder) : m_folder(std::move(folder))
{
    // A folder that is not there yet takes every name: the task makes it.
    const UniqueFd fd(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    QList<QByteArray> names;
    if (fd && readEntryNames(fd.get(), &names) == 0)
        m_taken = QSet<QByteArray>(names.cbegin(), names.cend());
}

Url PlannedMoves::destinationOf(const Url &file)
{
    const QByteArray name = file.fileName();
    QByteArray target = name;
    for (qint64 counter = 1; m_taken.contains(target); ++counter)
        target = freeNameCandidate(name, counter);
    m_taken.insert(target);
    return m_folder.child(target);
}
