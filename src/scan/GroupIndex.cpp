#include "scan/GroupIndex.h"

#include <algorithm>

namespace {
bool bySequence(const auto &entry, quint64 sequence)
{
    return entry.sequence < sequence;
}
} // namespace

void GroupIndex::insertInOrder(Entries &entries, Entry entry)
{
    const auto position = std::lower_bound(entries.begin(), entries.end(), entry.sequence, bySequence<Entry>);
    entries.insert(position, std::move(entry));
}

void GroupIndex::eraseEntry(Entries &entries, quint64 sequence)
{
    const auto position = std::lower_bound(entries.begin(), entries.end(), sequence, bySequence<Entry>);
    if (position != entries.end() && position->sequence == sequence)
        entries.erase(position);
}

void GroupIndex::insert(const DupGroup::Ptr &group)
{
    Location location{group->fileSize(), m_nextSequence++, group->compactFileMD5()};
    SizeClass &sizeClass = m_sizes[location.size];
    ++sizeClass.groupCount;
    if (location.quick.hasValue()) {
        insertInOrder(sizeClass.byQuick[location.quick], Entry{location.sequence, group});
    } else {
        insertInOrder(sizeClass.unknownQuick, Entry{location.sequence, group});
    }
    m_locations.insert(group.get(), location);
}

void GroupIndex::remove(const DupGroup *group)
{
    const auto found = m_locations.constFind(group);
    if (found == m_locations.constEnd())
        return;
    const Location location = *found;
    m_locations.erase(found);
    auto sizeClass = m_sizes.find(location.size);
    if (!location.quick.hasValue()) {
        eraseEntry(sizeClass->unknownQuick, location.sequence);
    } else {
        auto filed = sizeClass->byQuick.find(location.quick);
        eraseEntry(*filed, location.sequence);
        if (filed->empty())
            sizeClass->byQuick.erase(filed);
    }
    if (--sizeClass->groupCount == 0)
        m_sizes.erase(sizeClass);
}

void GroupIndex::clear()
{
    m_sizes.clear();
    m_locations.clear();
}

void GroupIndex::fileByQuickFingerprint(SizeClass &sizeClass, const DupGroup::Ptr &group)
{
    CompactFingerprint quick = group->compactFileMD5();
    if (!quick.hasValue())
        return;
    Location &location = m_locations[group.get()];
    eraseEntry(sizeClass.unknownQuick, location.sequence);
    location.quick = quick;
    insertInOrder(sizeClass.byQuick[quick], Entry{location.sequence, group});
}

DupGroup::Ptr GroupIndex::offer(const MyTreeNode::Ptr &node)
{
    auto sizeClass = m_sizes.find(node->FileSize());
    if (sizeClass == m_sizes.end())
        return nullptr;
    // The first group of equal size that the node meets computes the node's quick fingerprint.
    if (!node->compactFileMD5().hasValue())
        node->setFileMD5(node->computeFingerprint(0));

    Entries candidates = sizeClass->unknownQuick;
    if (const CompactFingerprint quick = node->compactFileMD5(); quick.hasValue()) {
        const auto filed = sizeClass->byQuick.constFind(quick);
        if (filed != sizeClass->byQuick.constEnd()) {
            candidates.insert(candidates.end(), filed->begin(), filed->end());
            std::inplace_merge(candidates.begin(), candidates.begin() + sizeClass->unknownQuick.size(),
                               candidates.end(),
                               [](const Entry &a, const Entry &b) { return a.sequence < b.sequence; });
        }
    }
    for (const Entry &candidate : candidates) {
        const bool quickWasUnknown = !m_locations.value(candidate.group.get()).quick.hasValue();
        const bool accepted = candidate.group->addChild(node);
        if (quickWasUnknown)
            fileByQuickFingerprint(*sizeClass, candidate.group);
        if (accepted)
            return candidate.group;
    }
    return nullptr;
}
