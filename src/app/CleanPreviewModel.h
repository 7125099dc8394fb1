#pragma once

#include "clean/CleanTaskOptions.h"
#include "model/DupGroup.h"
#include "model/MyTreeNode.h"
#include "platform/Url.h"

#include <QAbstractTableModel>
#include <QList>

#include <vector>

// What a clean task would do, as flat rows: for each group the task takes and removes something from,
// a group row, the files that stay, then the files that go in the order the task removes them, with
// where each one goes. Made in one pass from the rules the task applies (CleanRules), so the preview
// and the run cannot disagree. Main thread only.
class CleanPreviewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FileColumn, AddedColumn, FateColumn, ColumnCount };
    enum class Kind { Group, Stays, Goes };

    explicit CleanPreviewModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}

    // Plans the task that would run on the groups with the options; a move's destination is named in
    // the folder as the moves will find it, each file after the ones moved before it.
    void setPlan(const QList<DupGroup::Ptr> &groups, const CleanTaskOptions &options, const Url &folder);

    qint64 removalCount() const { return m_removalCount; }
    // The bytes the removals free (or, replacing by reflinks, share), counted once per file on disk.
    qint64 removalBytes() const { return m_removalBytes; }
    Kind kind(int row) const { return m_rows[size_t(row)].kind; }
    // The row's file; none on a group row.
    const MyTreeNode::Ptr &file(int row) const { return m_rows[size_t(row)].file; }
    // Where the row's file is moved; null unless it goes into the folder.
    const Url &destination(int row) const { return m_rows[size_t(row)].destination; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        Kind kind;
        // The group's first file that stays, on a group row.
        MyTreeNode::Ptr file;
        Url destination;
        qsizetype groupSize = 0;
    };

    QString fate(const Row &row) const;

    std::vector<Row> m_rows;
    CleanTaskOptions::Mode m_mode = CleanTaskOptions::Mode::Delete;
    qint64 m_removalCount = 0;
    qint64 m_removalBytes = 0;
};
