#pragma once

#include <QList>
#include <QString>

// How a list is ordered by one property: the property's name (a key path such as "rootNode.index"
// may reach through a reference) and the direction. Lists take a list of these, the first deciding.
struct SortDescriptor
{
    QString key;
    bool ascending = true;

    friend bool operator==(const SortDescriptor &, const SortDescriptor &) = default;
};

using SortDescriptors = QList<SortDescriptor>;
