#pragma once

#include "scan/ViewInterfaces.h"

#include <QDialog>

#include <functional>

class CustomRuleController;

// The scan-rule settings panel: which kinds of files a scan takes, the extra extensions of each kind,
// thumbnails, fast scanning of large files and the minimum size. Not modal. Every control writes its
// setting as soon as the user changes it, so a change during a scan applies to the next file checked.
class ScanRulePanel : public QDialog, public SettingPanel
{
    Q_OBJECT
public:
    ScanRulePanel(CustomRuleController &controller, QWidget *parent = nullptr);
    ~ScanRulePanel() override;

    // Shows the panel with the settings as they are now.
    void makeKeyAndOrderFront() override;

private:
    CustomRuleController &m_controller;
    // Each sets a control from its setting without writing it back.
    QList<std::function<void()>> m_loaders;
};
