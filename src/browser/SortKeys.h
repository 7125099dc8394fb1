#pragma once

#include "model/DupGroup.h"
#include "model/MyTreeNode.h"
#include "model/RootNode.h"
#include "platform/SortDescriptor.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <functional>
#include <variant>

// The properties of groups, files and sources by name, as the keys of sort descriptors name them.
// Numbers compare by value, texts by plain case-sensitive character comparison; no value comes before
// every value.
namespace SortKeys {

using Value = std::variant<std::monostate, qint64, QString>;

// "fileNumber", "fileSize", "fileExt", "categoryString".
bool isGroupKey(const QString &key);
Value ofGroup(const DupGroup &group, const QString &key);
// "FileName", "filePath", "fileExt", "FileSize", "addedDate", "createDate", "modifyDate",
// "fileAddedDateString", "rootNode.index".
Value ofFile(const MyTreeNode &node, const QString &key);
// "rootPath", "index", "totalFileNumber", "totalFileSize", "isRunning", "isFinished".
Value ofSource(const RootNode &root, const QString &key);

// Orders a list stably by the descriptors, each value read once.
template <typename Ptr>
void sort(QList<Ptr> &list, const SortDescriptors &descriptors,
          const std::function<Value(const Ptr &, const QString &)> &valueOf)
{
    if (descriptors.isEmpty() || list.size() < 2)
        return;
    struct Entry
    {
        QList<Value> values;
        Ptr item;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(list.size()));
    for (const Ptr &item : std::as_const(list)) {
        Entry entry{{}, item};
        for (const SortDescriptor &descriptor : descriptors)
            entry.values.append(valueOf(item, descriptor.key));
        entries.push_back(std::move(entry));
    }
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        for (qsizetype i = 0; i < descriptors.size(); ++i) {
            if (a.values[i] == b.values[i])
                continue;
            return descriptors[i].ascending ? a.values[i] < b.values[i] : b.values[i] < a.values[i];
        }
        return false;
    });
    for (qsizetype i = 0; i < list.size(); ++i)
        list[i] = std::move(entries[size_t(i)].item);
}

} // namespace SortKeys
