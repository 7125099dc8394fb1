// The JSON report, one object on one line:
// {"sources": [{"path", "index", "files", "bytes"}],
//  "groups": [{"size", "category", "ext", "files": [{"path", "source", "added"}]}],
//  "stats": {"files", "bytes", "groups", "removable", "wasted_bytes", "skipped", "read_errors"},
//  "interrupted"}
#include "browser/ReportFormat.h"
#include "browser/ReportJson.h"
#include "scan/CustomRuleController.h"

namespace {

using ReportJson::object;

QByteArray decimal(qint64 value)
{
    return QByteArray::number(value);
}

class JsonFormat : public ReportFormat
{
public:
    using ReportFormat::ReportFormat;

    void head() override
    {
        const QByteArray sources = ReportJson::list(scope().sources, [](const ReportSource &source) {
            return object({{"path", ReportJson::string(source.path)},
                           {"index", decimal(source.number)},
                           {"files", decimal(source.root->totalFileNumber())},
                           {"bytes", decimal(source.root->totalFileSize())}});
        });
        write("{\"sources\": " + sources + ", \"groups\": [");
    }

    void group(qsizetype number, const DupGroup &group, const QList<MyTreeNode::Ptr> &members) override
    {
        const QByteArray files = ReportJson::list(members, [this](const MyTreeNode::Ptr &file) {
            const std::optional<qint64> source = sourceNumber(*file);
            return object({{"path", ReportJson::string(shownPath(*file))},
                           {"source", source ? decimal(*source) : QByteArrayLiteral("null")},
                           {"added", ReportJson::optionalString(file->fileAddedDateString())}});
        });
        write((number > 0 ? ", " : "") +
              object({{"size", decimal(group.fileSize())},
                      {"category", ReportJson::string(scope().rules->typeString(*members.first()).toUtf8())},
                      {"ext", ReportJson::optionalString(group.fileExt())},
                      {"files", files}}));
    }

    void foot() override
    {
        const ReportTotals &totals = scope().totals;
        const ReportCompleteness &completeness = scope().completeness;
        write("], \"stats\": " +
              object({{"files", decimal(totals.files)},
                      {"bytes", decimal(totals.bytes)},
                      {"groups", decimal(totals.groups)},
                      {"removable", decimal(totals.removable)},
                      {"wasted_bytes", decimal(totals.wastedBytes)},
                      {"skipped", decimal(completeness.skipped)},
                      {"read_errors", decimal(completeness.readErrors)}}) +
              ", \"interrupted\": " + ReportJson::boolean(completeness.interrupted) + "}\n");
    }
};

} // namespace

std::unique_ptr<ReportFormat> makeJsonReport(const ReportScope &scope, ReportWriter writer)
{
    return std::make_unique<JsonFormat>(scope, std::move(writer));
}
