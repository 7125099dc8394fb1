// The paths for scripts: each as it is, ended by a NUL byte, and an empty record (one more NUL)
// between groups. Any byte but NUL may be in a name, so nothing else can separate names safely.
#include "browser/ReportFormat.h"

namespace {

class NullSeparatedFormat : public ReportFormat
{
public:
    using ReportFormat::ReportFormat;

    void group(qsizetype number, const DupGroup &, const QList<MyTreeNode::Ptr> &members) override
    {
        QByteArray out = number > 0 ? QByteArray(1, '\0') : QByteArray();
        for (const MyTreeNode::Ptr &file : members)
            out += shownPath(*file) + '\0';
        write(out);
    }
};

} // namespace

std::unique_ptr<ReportFormat> makeNullSeparatedReport(const ReportScope &scope, ReportWriter writer)
{
    return std::make_unique<NullSeparatedFormat>(scope, std::move(writer));
}
