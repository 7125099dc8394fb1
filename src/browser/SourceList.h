#pragma once

#include "model/RootNode.h"
#include "platform/SortDescriptor.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class DesktopServices;
class OpenPanel;
class SettingPanel;
class SourceNodeManager;
class SourceTableView;

// The source list over the engine's sources: adding sources by a drop or through the open panel,
// removing them all, stopping one, sorting, the selection, revealing a source, and the statistics text
// under the list. Main thread only.
class SourceList : public QObject
{
    Q_OBJECT
public:
    explicit SourceList(SourceNodeManager &engine);

    SourceNodeManager &engine() const { return m_engine; }
    void setSourceTable(SourceTableView *view) { m_sourceTable = view; }
    // The dialog that adds sources, the scan-rule panel and the desktop; none in tests that need none.
    void setOpenPanel(OpenPanel *panel) { m_openPanel = panel; }
    void setSettingPanel(SettingPanel *panel) { m_settingPanel = panel; }
    void setDesktopServices(DesktopServices *services) { m_desktopServices = services; }
    // Hands the engine the scan rules of now; a rescan runs it first, so that it applies the rules the
    // user sees.
    void setRulesPublisher(std::function<void()> publish) { m_publishRules = std::move(publish); }

    QString sourceStatString() const { return m_sourceStatString; }
    // The statistics text anew: the engine's totals, and during scans the sources' counts so far.
    void updateSourceStat();

    // The control under the list, by its "selectedSegment": scan-rule settings, add through the open
    // panel, remove all.
    void segmentAction(const QObject *sender);
    enum class DragOperation { None = 0, Copy = 1 };
    enum class DropOperation { On, Above };
    // A drop of native paths from a file manager: accepted anywhere on the table.
    DragOperation tableView_validateDrop_proposedRow_proposedDropOperation(SourceTableView *table,
                                                                           const QList<QByteArray> &paths,
                                                                           qint64 row,
                                                                           DropOperation operation);
    // Adds each path that is not a source yet and exists, then renumbers; always true.
    bool tableView_acceptDrop_row_dropOperation(SourceTableView *table, const QList<QByteArray> &paths,
                                                qint64 row, DropOperation operation);
    void tableView_sortDescriptorsDidChange(SourceTableView *table, const SortDescriptors &oldDescriptors);
    void tableViewSelectionDidChange();
    void openSourceInFinder(const QObject *sender);
    // Asks the scan of the source in the row holding the control to stop.
    void stopSource(const QObject *control);
    // Protects the source in the row holding the control, or lifts its protection: nothing under a
    // protected source is removed, moved or trashed.
    void toggleProtection(const QObject *control);
    // Scans the source in the row holding the control anew, or every finished source, with the scan
    // rules of now.
    void rescanSource(const QObject *control);
    void rescanAllSources();

Q_SIGNALS:
    // The sources were renumbered: the duplicate list's source numbers changed.
    void sourcesRenumbered();
    // The statistics text was made anew.
    void statisticsChanged();
    // Paths the user gave were not added as they asked, or were added with a remark; the text says why,
    // for people.
    void pathsNoticed(const QString &text);

private:
    void addSourcePaths(const QList<QByteArray> &paths);
    RootNode::Ptr sourceOfRow(const QObject *control) const;

    SourceNodeManager &m_engine;
    SourceTableView *m_sourceTable = nullptr;
    OpenPanel *m_openPanel = nullptr;
    SettingPanel *m_settingPanel = nullptr;
    DesktopServices *m_desktopServices = nullptr;
    std::function<void()> m_publishRules;
    QString m_sourceStatString;
};
