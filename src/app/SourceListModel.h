#pragma once

#include "model/RootNode.h"
#include "platform/SortDescriptor.h"

#include <QAbstractTableModel>
#include <QList>

class SourceNodeManager;

// The source list as Qt rows, in the arranged order of the manager's source controller. Answers from
// a snapshot of its own and follows the manager's notices with inserted, removed and moved rows; the
// counts of sources being scanned are refreshed as the scan's status text moves on. Main thread only.
class SourceListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { IndexColumn, PathColumn, FilesColumn, SizeColumn, StateColumn, ActionsColumn, ColumnCount };

    explicit SourceListModel(SourceNodeManager &manager, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    RootNode::Ptr sourceAt(int row) const
    {
        return row >= 0 && row < m_roots.size() ? m_roots[row] : nullptr;
    }

    static SortDescriptor sortDescriptorOf(int column, Qt::SortOrder order);

private:
    void sourcesChanged();
    void countsChanged();

    SourceNodeManager &m_manager;
    QList<RootNode::Ptr> m_roots;
};
