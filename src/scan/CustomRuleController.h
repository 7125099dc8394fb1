#pragma once

#include "model/MyTreeNode.h"

#include <QString>

class QObject;
class SettingPanel;

// The scan rules: which files a scan takes in, and the category each file is shown under. Holds no
// rule state: every answer reads the settings afresh, so a change applies to the next file checked,
// also during a scan. Safe to call from the scan queue and the main thread at once.
//
// It also shows the panel in which the user edits the rules; the panel's controls write the settings
// themselves, as the user changes them.
class CustomRuleController
{
public:
    enum class Category { Document, Movie, Music, Picture, Archive, Application, Others };

    // Whether a scan takes the file in.
    bool isToScan(const MyTreeNode::Ptr &node) const { return node && isToScanFile(*node); }
    // The same rule, for scans: the controller holds no state of its own, so a scan queued before the
    // window closes may still apply it afterwards.
    static bool isToScanFile(const MyTreeNode &node);
    // The category's display name.
    QString typeString(const MyTreeNode::Ptr &node) const;

    // The category found by the user's extension lists first, then by the file's type; the
    // application test only when asked for.
    static Category categoryOf(const MyTreeNode &node, bool includeApplication);

    // --- The settings panel (main thread) ---------------------------------------------------------
    SettingPanel *settingPanel() const { return m_settingPanel; }
    void setSettingPanel(SettingPanel *panel) { m_settingPanel = panel; }
    void showSettingPanel(const QObject *sender);
    // The panel's close button, and the panel closing by any road: the settings go to disk.
    void closeSettingPanel(const QObject *sender);
    void windowWillClose();
    // A step both closing roads take before writing the settings; the controls have stored every
    // change already, so there is nothing left to gather.
    void sync() {}

private:
    SettingPanel *m_settingPanel = nullptr;
};
