#pragma once

#include "browser/ViewInterfaces.h"

#include <QDialog>

#include <functional>

// The scan-rule settings panel: which kinds of files a scan takes, the extra extensions of each kind,
// thumbnails, fast scanning of large files and the minimum size. Not modal. Every control writes its
// setting as soon as the user changes it and says so, so that the scans get new rules and a change
// during a scan applies to the next file checked. Closing the panel writes the settings to disk.
class ScanRulePanel : public QDialog, public SettingPanel
{
    Q_OBJECT
public:
    explicit ScanRulePanel(QWidget *parent = nullptr);

    // Shows the panel with the settings as they are now.
    void makeKeyAndOrderFront() override;
    // The panel's close button, and the panel closing by any road: the settings go to disk.
    void closeSettingPanel(const QObject *sender);
    void windowWillClose();

Q_SIGNALS:
    // A control wrote its setting.
    void rulesChanged();

private:
    // Each sets a control from its setting without writing it back.
    QList<std::function<void()>> m_loaders;
};
