#include "clean/CleanState.h"

#include "clean/CleanFrontEnd.h"

CleanState::CleanState() : alertAnswer(AlertAnswer::None)
{
}

Url CleanState::undoPath() const
{
    std::lock_guard lock(m_mutex);
    return m_undoPath;
}

void CleanState::setUndoPath(const Url &path)
{
    std::lock_guard lock(m_mutex);
    m_undoPath = path;
}
