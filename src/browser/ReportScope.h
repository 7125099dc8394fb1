#pragma once

#include "model/MyTreeNode.h"
#include "model/RootNode.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <memory>

class CustomRuleController;
class SourceNodeManager;

// A source as a report lists it.
struct ReportSource
{
    RootNode::Ptr root;
    // The path the user named it by.
    QByteArray path;
    // Its number in the report, by which each of its files names it.
    qint64 number = 0;
};

// The figures a report gives of a scan.
struct ReportTotals
{
    qint64 files = 0;
    qint64 bytes = 0;
    qint64 groups = 0;
    qint64 removable = 0;
    qint64 wastedBytes = 0;
};

// How much of the sources the scan took in.
struct ReportCompleteness
{
    // Items the walk could not look at, and files whose content could not be read.
    qint64 skipped = 0;
    qint64 readErrors = 0;
    // A stop cut the scan short.
    bool interrupted = false;
};

// What a report tells besides the groups themselves: their sources, the scan's figures and how
// complete it was, and the rules that name each file's category.
struct ReportScope
{
    // Everything as the engine has it after its last summary: its sources in the order added, each
    // by its own path and numbered by its row in the source list; the engine's totals and rules; a
    // complete scan.
    static ReportScope ofEngine(const SourceNodeManager &engine);

    QList<ReportSource> sources;
    // The path a file is named by; without one, the file's own path.
    std::function<QByteArray(const MyTreeNode &file)> shownPath;
    ReportTotals totals;
    std::shared_ptr<const CustomRuleController> rules;
    ReportCompleteness completeness;
};
