#include "scan/StatusText.h"

#include "platform/StringTable.h"

StatusText::StatusText(std::function<void()> changed)
    : m_changed(std::move(changed)), m_text(QStringLiteral(" "))
{
}

QString StatusText::text() const
{
    std::lock_guard lock(m_mutex);
    if (m_where) {
        const char *key = m_where->phase == Phase::ReadingFolders
                              //% "Reading %1"
                              ? QT_TRID_NOOP("READING_FOLDER_STRUCTURE_STRING")
                              //% "Comparing %1"
                              : QT_TRID_NOOP("HANDLING_FILE_STRING");
        m_text = StringTable::text(key).arg(m_where->url.displayPath());
        m_where.reset();
    }
    return m_text;
}

void StatusText::setText(const QString &text)
{
    {
        std::lock_guard lock(m_mutex);
        m_text = text;
        m_where.reset();
    }
    m_changed();
}

void StatusText::at(Phase phase, const Url &url)
{
    {
        std::lock_guard lock(m_mutex);
        m_where = Where{phase, url};
    }
    m_changed();
}
