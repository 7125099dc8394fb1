#include "browser/ReportFormat.h"

#include <algorithm>

// Defined each in the file of its format.
ReportFormat::Make makeTextReport, makeNullSeparatedReport, makeJsonReport, makeCsvReport;

namespace {

struct Registration
{
    const char *name;
    ReportFormat::Make *make;
    // Whether a user chooses it by its name; the NUL-separated paths are a form of the text format.
    bool chosenByName;
};

// Every format, by the name it is asked for with.
const Registration formats[] = {
    {"text", makeTextReport, true},
    {"null", makeNullSeparatedReport, false},
    {"json", makeJsonReport, true},
    {"csv", makeCsvReport, true},
};

} // namespace

QList<QByteArray> ReportFormat::names()
{
    QList<QByteArray> names;
    for (const Registration &format : formats) {
        if (format.chosenByName)
            names.append(format.name);
    }
    return names;
}

bool ReportFormat::writeReport(const QByteArray &name, const ReportScope &scope,
                               const QList<DupGroup::Ptr> &groups, const ReportWriter &writer)
{
    const auto format = std::find_if(std::begin(formats), std::end(formats),
                                     [&name](const Registration &format) { return name == format.name; });
    if (format == std::end(formats))
        return false;
    const std::unique_ptr<ReportFormat> report = format->make(scope, writer);
    report->head();
    qsizetype number = 0;
    for (const DupGroup::Ptr &group : groups) {
        // Read once: each read copies the list.
        const QList<MyTreeNode::Ptr> members = group->childs();
        if (members.size() >= 2)
            report->group(number++, *group, members);
    }
    report->foot();
    return true;
}

ReportFormat::ReportFormat(const ReportScope &scope, ReportWriter writer)
    : m_scope(scope), m_writer(std::move(writer))
{
    for (const ReportSource &source : scope.sources)
        m_sourceNumbers.insert(source.root.get(), source.number);
}

QByteArray ReportFormat::shownPath(const MyTreeNode &file) const
{
    return m_scope.shownPath ? m_scope.shownPath(file) : file.FileURL().path();
}

std::optional<qint64> ReportFormat::sourceNumber(const MyTreeNode &file) const
{
    const auto number = m_sourceNumbers.constFind(file.rootNode().get());
    return number == m_sourceNumbers.constEnd() ? std::nullopt : std::optional<qint64>(*number);
}
