#pragma once

#include "browser/ViewInterfaces.h"

#include <QTableView>

class SourceList;
class SourceListModel;

// The source list: one row per source with its counts and state, and in each row the buttons that
// show the source in the file browser, stop its scan (or, once it ended, scan it anew) and remove it;
// its context menu offers the same. Takes drops of files and folders from file managers (local files
// only). Delete removes the selected source.
class SourceListView : public QTableView, public SourceTableView
{
    Q_OBJECT
public:
    explicit SourceListView(SourceList &sources, QWidget *parent = nullptr);

    SourceListModel &listModel() const { return *m_model; }

    // SourceTableView
    qint64 rowForView(const QObject *control) const override;
    SortDescriptors sortDescriptors() const override { return m_sortDescriptors; }

    // The native paths of the local files in a text/uri-list; other URLs are left out.
    static QList<QByteArray> localPaths(const QMimeData *data);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void addRowControls(int first, int last);
    void updateRowControls();
    void removeSourceOfRow(const QObject *control);

    SourceList &m_sources;
    SourceListModel *m_model;
    SortDescriptors m_sortDescriptors;
};
