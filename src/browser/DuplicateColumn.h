#pragma once

#include <QLatin1StringView>

#include <array>
#include <optional>

// The columns of a file row of the duplicate list; a group row is one cell across all of them.
enum class DuplicateColumn { Index, Path, Name, Ext, Size, Date, Category, Copies, Actions };

inline constexpr std::array allDuplicateColumns = {
    DuplicateColumn::Index,    DuplicateColumn::Path,   DuplicateColumn::Name,
    DuplicateColumn::Ext,      DuplicateColumn::Size,   DuplicateColumn::Date,
    DuplicateColumn::Category, DuplicateColumn::Copies, DuplicateColumn::Actions,
};

// The property a header click sorts by, as sort descriptors name it: a group's for the group columns
// ("fileNumber", "fileSize", "fileExt", "categoryString"), else a file's; none for the row actions.
inline std::optional<QLatin1StringView> sortKeyOf(DuplicateColumn column)
{
    switch (column) {
    case DuplicateColumn::Index:
        return QLatin1StringView("rootNode.index");
    case DuplicateColumn::Path:
        return QLatin1StringView("filePath");
    case DuplicateColumn::Name:
        return QLatin1StringView("FileName");
    case DuplicateColumn::Ext:
        return QLatin1StringView("fileExt");
    case DuplicateColumn::Size:
        return QLatin1StringView("fileSize");
    case DuplicateColumn::Date:
        return QLatin1StringView("addedDate");
    case DuplicateColumn::Category:
        return QLatin1StringView("categoryString");
    case DuplicateColumn::Copies:
        return QLatin1StringView("fileNumber");
    case DuplicateColumn::Actions:
        break;
    }
    return std::nullopt;
}
