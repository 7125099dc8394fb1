// The text report: each group's paths one per line, groups separated by one empty line. A path that
// holds a control character is quoted for the shell, so that no name can make up lines of its own.
#include "browser/ReportFormat.h"
#include "browser/ReportShellQuoting.h"

namespace {

class TextFormat : public ReportFormat
{
public:
    using ReportFormat::ReportFormat;

    void group(qsizetype number, const DupGroup &, const QList<MyTreeNode::Ptr> &members) override
    {
        QByteArray out = number > 0 ? QByteArray("\n") : QByteArray();
        for (const MyTreeNode::Ptr &file : members)
            out += ShellQuoting::shown(shownPath(*file)) + '\n';
        write(out);
    }
};

} // namespace

std::unique_ptr<ReportFormat> makeTextReport(const ReportScope &scope, ReportWriter writer)
{
    return std::make_unique<TextFormat>(scope, std::move(writer));
}
