#include "app/CleanPreviewModel.h"

#include "clean/CleanRules.h"
#include "clean/PlannedMoves.h"
#include "platform/StringTable.h"

#include <QFont>
#include <QLocale>

#include <optional>

namespace {

// A path on one line: a newline in a name would break the row.
QString oneLine(QString text)
{
    return text.replace(u'\n', u'\u2424');
}

} // namespace

void CleanPreviewModel::setPlan(const QList<DupGroup::Ptr> &groups, const CleanTaskOptions &options,
                                const Url &folder)
{
    beginResetModel();
    m_rows.clear();
    m_mode = options.moveMode;
    m_removalCount = 0;
    m_removalBytes = 0;
    const QList<CleanRules::PlannedRemoval> removals = CleanRules::plan(groups, options);
    // Most groups keep one file: a group row, a row that stays and one per removal.
    m_rows.reserve(size_t(removals.size()) * 3);
    std::optional<PlannedMoves> names;
    if (options.moveMode == CleanTaskOptions::Mode::Move && !folder.isNull())
        names.emplace(folder);
    for (qsizetype next = 0; next < removals.size();) {
        const DupGroup::Ptr group = removals[next].group;
        const QList<MyTreeNode::Ptr> kept = CleanRules::keptMembers(*group, options);
        m_rows.push_back({Kind::Group, kept.value(0), Url(), qsizetype(group->fileNumber())});
        for (const MyTreeNode::Ptr &file : kept)
            m_rows.push_back({Kind::Stays, file, Url()});
        for (; next < removals.size() && removals[next].group == group; ++next) {
            const MyTreeNode::Ptr &file = removals[next].file;
            m_rows.push_back({Kind::Goes, file, names ? names->destinationOf(file->FileURL()) : Url()});
            ++m_removalCount;
            m_removalBytes += file->FileSize();
        }
    }
    endResetModel();
}

int CleanPreviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CleanPreviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString CleanPreviewModel::fate(const Row &row) const
{
    if (row.kind == Kind::Stays)
        //% "Stays"
        return StringTable::text("CLEAN_PREVIEW_STAYS");
    switch (m_mode) {
    case CleanTaskOptions::Mode::Delete:
        break;
    case CleanTaskOptions::Mode::Move:
        if (row.destination.isNull())
            //% "Moved (choose the folder first)"
            return StringTable::text("CLEAN_PREVIEW_MOVED_NOWHERE");
        //% "Moved to %1"
        return StringTable::text("CLEAN_PREVIEW_MOVED").arg(oneLine(row.destination.displayPath()));
    case CleanTaskOptions::Mode::Trash:
        //% "To the trash"
        return StringTable::text("CLEAN_PREVIEW_TRASHED");
    }
    //% "Deleted for good"
    return StringTable::text("CLEAN_PREVIEW_DELETED");
}

QVariant CleanPreviewModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows[size_t(index.row())];
    if (row.kind == Kind::Group) {
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (role != Qt::DisplayRole || index.column() != FileColumn || !row.file)
            return {};
        //% "%n copies of “%1”, %2 each"
        return StringTable::text("CLEAN_PREVIEW_GROUP", row.groupSize)
            .arg(oneLine(row.file->FileName()), QLocale().formattedDataSize(row.file->FileSize()));
    }
    const bool modificationDate = row.file->isAddedDateModificationDate();
    switch (index.column()) {
    case FileColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return oneLine(row.file->filePath());
        break;
    case AddedColumn:
        if (role == Qt::DisplayRole) {
            const QString date = row.file->fileAddedDateString().value_or(QString());
            //% "%1 (modified)"
            return modificationDate ? StringTable::text("CLEAN_PREVIEW_MODIFIED_DATE").arg(date) : date;
        }
        if (role == Qt::ToolTipRole && modificationDate)
            //% "The file system records no creation time for this file: this is the time it was last
            // modified."
            return StringTable::text("CLEAN_PREVIEW_MODIFIED_DATE_TIP");
        break;
    case FateColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return fate(row);
        break;
    }
    return {};
}

QVariant CleanPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case FileColumn:
        //% "File"
        return StringTable::text("CLEAN_PREVIEW_FILE");
    case AddedColumn:
        //% "Added"
        return StringTable::text("CLEAN_PREVIEW_ADDED");
    case FateColumn:
        //% "What happens"
        return StringTable::text("CLEAN_PREVIEW_FATE");
    }
    return {};
}
