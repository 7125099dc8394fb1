#pragma once

#include "platform/Url.h"
#include "scan/ScanProgress.h"

#include <QString>

#include <functional>
#include <mutex>
#include <optional>

// The status text under the lists: one line of progress and information; " " when there is nothing to
// say. Set from the scan queue and the main thread. A scan's progress is kept as where the scan is and
// made into a text only when the text is read, so that a scan over many files formats few texts.
class StatusText : public ScanProgress
{
public:
    // changed is called on the thread that changed the text, after the change.
    explicit StatusText(std::function<void()> changed);

    QString text() const;
    void setText(const QString &text);

    void at(Phase phase, const Url &url) override;

private:
    std::function<void()> m_changed;
    mutable std::mutex m_mutex;
    mutable QString m_text;
    // Where the scan is, when that is newer than m_text.
    struct Where
    {
        Phase phase;
        Url url;
    };
    mutable std::optional<Where> m_where;
};
