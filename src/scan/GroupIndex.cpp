#include "scan/GroupIndex.h"

#include <algorithm>

namespace {

// The position in a list in creation order where a group of the given sequence is or belongs.
template <typename Iterator> Iterator placeOf(Iterator begin, Iterator end, quint64 sequence, auto sequenceOf)
{
    return std::lower_bound(begin, end, sequence,
                            [&](const DupGroup::Ptr &group, quint64 s) { return sequenceOf(*group) < s; });
}

} // namespace

GroupIndex::Groups::Groups(const Groups &other)
    : m_one(other.m_one),
      m_many(other.m_many ? std::make_unique<std::vector<DupGroup::Ptr>>(*other.m_many) : nullptr)
{
}

GroupIndex::Groups &GroupIndex::Groups::operator=(const Groups &other)
{
    Groups copy(other);
    std::swap(*this, copy);
    return *this;
}

std::span<const DupGroup::Ptr> GroupIndex::Groups::view() const
{
    if (m_one)
        return {&m_one, 1};
    if (m_many)
        return *m_many;
    return {};
}

void GroupIndex::Groups::insert(const DupGroup::Ptr &group)
{
    if (!m_one && !m_many) {
        m_one = group;
        return;
    }
    if (m_one)
        m_many = std::make_unique<std::vector<DupGroup::Ptr>>(1, std::exchange(m_one, nullptr));
    const auto position = placeOf(m_many->begin(), m_many->end(), sequenceOf(*group), sequenceOf);
    m_many->insert(position, group);
}

bool GroupIndex::Groups::erase(const DupGroup *group)
{
    if (m_one.get() == group && group) {
        m_one = nullptr;
        return true;
    }
    if (!m_many)
        return false;
    const auto position = placeOf(m_many->begin(), m_many->end(), sequenceOf(*group), sequenceOf);
    if (position == m_many->end() || position->get() != group)
        return false;
    m_many->erase(position);
    if (m_many->empty())
        m_many.reset();
    return true;
}

GroupIndex::Key GroupIndex::keyOf(const DupGroup &group)
{
    return Key{group.filingSize(), group.filingFingerprint()};
}

void GroupIndex::insert(const DupGroup::Ptr &group)
{
    group->setIndexSequence(m_nextSequence++);
    const Key key = keyOf(*group);
    ++m_filed[Key{key.size, CompactFingerprint()}].groupsOfSize;
    m_filed[key].groups.insert(group);
}

void GroupIndex::remove(const DupGroup *group)
{
    if (!group)
        return;
    const Key key = keyOf(*group);
    const Key unknownKey{key.size, CompactFingerprint()};
    auto filed = m_filed.find(key);
    if (filed == m_filed.end() || !filed->groups.erase(group)) {
        // Not where its fingerprint says: either never filed, or still among the unknown ones.
        filed = m_filed.find(unknownKey);
        if (filed == m_filed.end() || !filed->groups.erase(group))
            return;
    }
    if (filed->groups.isEmpty() && filed->groupsOfSize == 0)
        m_filed.erase(filed);
    auto unknown = m_filed.find(unknownKey);
    if (--unknown->groupsOfSize == 0 && unknown->groups.isEmpty())
        m_filed.erase(unknown);
}

void GroupIndex::clear()
{
    m_filed.clear();
}

void GroupIndex::refile(const DupGroup::Ptr &group)
{
    const Key key = keyOf(*group);
    if (!key.quick.hasValue())
        return;
    m_filed[Key{key.size, CompactFingerprint()}].groups.erase(group.get());
    m_filed[key].groups.insert(group);
}

QList<const MyTreeNode *> GroupIndex::firstMembersOf(qint64 size, const CompactFingerprint &quick) const
{
    QList<const MyTreeNode *> firstMembers;
    const auto filed = m_filed.constFind(Key{size, quick});
    if (filed == m_filed.constEnd())
        return firstMembers;
    for (const DupGroup::Ptr &group : filed->groups.view()) {
        if (const MyTreeNode *first = group->firstMember())
            firstMembers.append(first);
    }
    return firstMembers;
}

GroupIndex::Offered GroupIndex::offer(const MyTreeNode::Ptr &node, FingerprintSource &fingerprints,
                                      MemberObserver *observer)
{
    const qint64 size = node->FileSize();
    const auto unknown = m_filed.constFind(Key{size, CompactFingerprint()});
    if (unknown == m_filed.constEnd())
        return {};
    // The first group of equal size that the node meets computes the node's quick fingerprint.
    if (!node->compactFileMD5().hasValue()) {
        const auto quick = fingerprints.fingerprint(*node, FingerprintLevel::Quick);
        if (!quick)
            return {DupGroup::AddResult::Undecided, nullptr};
        node->setCompactFileMD5(*quick);
    }

    // Copied: offering may refile groups, which changes the lists.
    const std::span<const DupGroup::Ptr> unknownGroups = unknown->groups.view();
    std::vector<DupGroup::Ptr> candidates(unknownGroups.begin(), unknownGroups.end());
    if (const CompactFingerprint quick = node->compactFileMD5(); quick.hasValue()) {
        const auto filed = m_filed.constFind(Key{size, quick});
        if (filed != m_filed.constEnd()) {
            const std::span<const DupGroup::Ptr> known = filed->groups.view();
            candidates.insert(candidates.end(), known.begin(), known.end());
            std::inplace_merge(candidates.begin(), candidates.begin() + qsizetype(unknownGroups.size()),
                               candidates.end(), [](const DupGroup::Ptr &a, const DupGroup::Ptr &b) {
                                   return sequenceOf(*a) < sequenceOf(*b);
                               });
        }
    }
    for (const DupGroup::Ptr &candidate : candidates) {
        const bool quickWasUnknown = !keyOf(*candidate).quick.hasValue();
        const DupGroup::AddResult result = candidate->addChild(node, fingerprints, observer);
        if (quickWasUnknown)
            refile(candidate);
        if (result == DupGroup::AddResult::Undecided)
            return {result, nullptr};
        if (result != DupGroup::AddResult::Refused)
            return {result, candidate};
    }
    return {};
}
