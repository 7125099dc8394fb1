#pragma once

#include "platform/Url.h"

#include <QByteArray>
#include <QSet>

// Where the moves of a clean-up will put its files, for a dry run or a preview that names them as the
// task will: the file's own name in the destination folder, else the first free name made from it by
// the moves' own rule, skipping what is in the folder and what an earlier move of the plan took. The
// folder is listed once: a plan names tens of thousands of moves.
class PlannedMoves
{
public:
    explicit PlannedMoves(Url folder);

    // The destination of the next move, which is then taken.
    Url destinationOf(const Url &file);

private:
    const Url m_folder;
    QSet<QByteArray> m_taken;
};
