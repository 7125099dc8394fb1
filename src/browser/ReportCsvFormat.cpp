// The CSV report (RFC 4180): a header row, then one row per file of every group:
// group,path,size,category,extension,added,source
// The group is its number in the report, from 0; the source, its number among the sources; size in
// bytes; category and extension, the file's own; added, the date the file was added (its birth time,
// or its modification time where the file system records none). Rows end in CRLF; a field holding a
// comma, a double quote, a CR or an LF is put in double quotes, its double quotes doubled.
//
// Names are bytes, not text. Paths and extensions are written as UTF-8 without loss by the escape the
// JSON report uses: a byte that is not valid UTF-8 becomes the six characters \udcXX (two lower-case
// hex digits). CSV itself escapes nothing, so a backslash is doubled too: a name holding the text
// "\udcff" then cannot be read as one holding the byte 0xFF. A reader turns "\\" back into "\" and
// "\udcXX" into the byte XX.
#include "browser/ReportFormat.h"
#include "browser/ReportJson.h"
#include "platform/Utf8.h"
#include "scan/CustomRuleController.h"

#include <algorithm>

namespace {

// The bytes as UTF-8 from which they can be recovered.
QByteArray lossless(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8SequenceLength(bytes.constData() + i, bytes.size() - i);
        if (length == 0)
            out += ReportJson::byteEscape(uchar(bytes[i]));
        else if (bytes[i] == '\\')
            out += "\\\\";
        else
            out.append(bytes.constData() + i, length);
        i += std::max(length, 1);
    }
    return out;
}

// The text as a field: in double quotes, its double quotes doubled, when it holds a separator, a
// double quote or a line break.
QByteArray field(const QByteArray &text)
{
    static const char special[] = {',', '"', '\r', '\n'};
    if (std::none_of(std::begin(special), std::end(special), [&text](char c) { return text.contains(c); }))
        return text;
    QByteArray quoted = text;
    return '"' + quoted.replace('"', "\"\"") + '"';
}

class CsvFormat : public ReportFormat
{
public:
    using ReportFormat::ReportFormat;

    void head() override { write("group,path,size,category,extension,added,source\r\n"); }

    void group(qsizetype number, const DupGroup &, const QList<MyTreeNode::Ptr> &members) override
    {
        QByteArray out;
        for (const MyTreeNode::Ptr &file : members) {
            const std::optional<qint64> source = sourceNumber(*file);
            out += QByteArray::number(number) + ',' + field(lossless(shownPath(*file))) + ',' +
                   QByteArray::number(file->FileSize()) + ',' +
                   field(scope().rules->typeString(*file).toUtf8()) + ',' +
                   field(lossless(surrogateEscapedBytes(file->fileExt()))) + ',' +
                   field(file->fileAddedDateString().value_or(QString()).toUtf8()) + ',' +
                   (source ? QByteArray::number(*source) : QByteArray()) + "\r\n";
        }
        write(out);
    }
};

} // namespace

std::unique_ptr<ReportFormat> makeCsvReport(const ReportScope &scope, ReportWriter writer)
{
    return std::make_unique<CsvFormat>(scope, std::move(writer));
}
