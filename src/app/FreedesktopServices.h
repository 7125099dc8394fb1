#pragma once

#include "platform/Desktop.h"

#include <QObject>
#include <QString>

#include <functional>

// The desktop services of a freedesktop.org desktop: Qt's handler lookup for files and pages, and
// the file manager's D-Bus interface for revealing items.
class FreedesktopServices : public DesktopServices
{
public:
    bool openFile(const Url &url) override;
    bool openWebPage(const QUrl &url) override;
    // Asks the file manager over D-Bus without waiting for its answer; when none answers, opens the
    // folder of the first item instead, and when that fails too, tells the failure reporter.
    void revealItems(const QList<Url> &urls) override;

    // Told, for people, what could not be shown.
    void setFailureReporter(std::function<void(const QString &)> report) { m_report = std::move(report); }

private:
    void openFolderOf(const Url &url);

    std::function<void(const QString &)> m_report;
    // Owns the calls still waiting for an answer, which go with the services.
    QObject m_calls;
};
