#pragma once

#include "model/MyTreeNode.h"
#include "scan/ScanRules.h"

#include <QString>

// The scan rules at work: whether a scan takes a file in, and the category each file is shown under,
// both by the rules it was made with. Holds nothing that changes, so it may be asked from any thread.
class CustomRuleController
{
public:
    enum class Category { Document, Movie, Music, Picture, Archive, Application, Others };

    explicit CustomRuleController(ScanRules rules = {}) : m_rules(std::move(rules)) {}

    const ScanRules &rules() const { return m_rules; }

    // Whether a scan takes the file in.
    bool isToScan(const MyTreeNode &node) const;
    // The category's display name.
    QString typeString(const MyTreeNode &node) const;
    // The category found by the user's extension lists first, then by the file's type; the
    // application test only when asked for.
    Category categoryOf(const MyTreeNode &node, bool includeApplication) const;

private:
    ScanRules m_rules;
};
