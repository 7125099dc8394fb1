#pragma once

#include "platform/Url.h"

#include <QSet>

// Where the moves of a clean-up would put its files, for a dry run that names them as the real run
// will: the file's own name in the destination folder, or, when an item already there or a move
// planned before has it, the first free name by the rule of the moves themselves.
class PlannedMoves
{
public:
    explicit PlannedMoves(Url folder) : m_folder(std::move(folder)) {}

    // The destination of the next move, which is then taken.
    Url destinationOf(const Url &file);

private:
    const Url m_folder;
    QSet<Url> m_planned;
};
