#pragma once

#include "browser/ReportScope.h"
#include "model/DupGroup.h"
#include "model/MyTreeNode.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

// Takes a report a part at a time: standard output, a file, a buffer.
using ReportWriter = std::function<void(const QByteArray &part)>;

// The groups of duplicates of a scan in one of the report formats, written as rmlint's output
// handlers write: a head, one part per group with its members, a foot, each handed to the writer as
// soon as it is made, so that a report of many groups is never held whole. The command-line tool and
// the window's export write through here, so one scan gives one report whoever writes it.
//
// A format is a subclass in a file of its own, with a Make function, and one line in the table of
// ReportFormat.cpp. One object writes one report. Main thread: the groups' member lists are read.
class ReportFormat
{
public:
    using Make = std::unique_ptr<ReportFormat>(const ReportScope &scope, ReportWriter writer);

    // The names of the formats a user chooses from, in the order offered: "text", "json", "csv".
    static QList<QByteArray> names();
    // Writes the report of the groups, in the order given and numbered from 0 in it, in the format of
    // the name: one of names(), or "null", the paths each ended by a NUL. A group of fewer than two
    // members is no group of duplicates and is left out. False, and nothing written, for a name that
    // is none of these.
    static bool writeReport(const QByteArray &name, const ReportScope &scope,
                            const QList<DupGroup::Ptr> &groups, const ReportWriter &writer);

    // The scope must outlive the object.
    ReportFormat(const ReportScope &scope, ReportWriter writer);
    virtual ~ReportFormat() = default;

    virtual void head() {}
    // A group, its number in the report and its members in their order.
    virtual void group(qsizetype number, const DupGroup &group, const QList<MyTreeNode::Ptr> &members) = 0;
    virtual void foot() {}

protected:
    const ReportScope &scope() const { return m_scope; }
    void write(const QByteArray &part) const { m_writer(part); }
    // The path the report names the file by.
    QByteArray shownPath(const MyTreeNode &file) const;
    // The number of the file's source; none when the file is in none of the report's sources.
    std::optional<qint64> sourceNumber(const MyTreeNode &file) const;

private:
    const ReportScope &m_scope;
    const ReportWriter m_writer;
    QHash<const RootNode *, qint64> m_sourceNumbers;
};
