// twinsift-cli fingerprint [--level N] PATH...
#include "cli/Commands.h"

#include "browser/ReportShellQuoting.h"
#include "cli/Help.h"
#include "cli/ReportOutput.h"
#include "fs/FileManagerProxy.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <variant>

namespace {

struct Request
{
    qint64 level = 0;
    QList<QByteArray> paths;
};

int usageError(const QByteArray &message)
{
    std::fprintf(stderr, "twinsift-cli fingerprint: %s\nTry 'twinsift-cli fingerprint --help'.\n",
                 message.constData());
    return 2;
}

// A whole signed 64-bit decimal number, nothing around it.
std::optional<qint64> parseLevel(const QByteArray &text)
{
    qint64 value = 0;
    const char *end = text.constData() + text.size();
    const auto [stop, error] = std::from_chars(text.constData(), end, value);
    if (text.isEmpty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// The request, or the exit status when there is nothing to fingerprint.
std::variant<Request, int> parse(const QList<QByteArray> &arguments)
{
    Request request;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            request.paths.append(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            return Help::print(Help::ofCommand("fingerprint"));
        } else if (argument == "--level" || argument.startsWith("--level=")) {
            QByteArray value;
            if (argument == "--level") {
                if (++i == arguments.size())
                    return usageError("--level needs a number");
                value = arguments[i];
            } else {
                value = argument.mid(qsizetype(std::strlen("--level=")));
            }
            const auto level = parseLevel(value);
            if (!level)
                return usageError("--level needs a whole number, not '" + value + "'");
            request.level = *level;
        } else {
            return usageError("unknown option '" + argument + "'");
        }
    }
    if (request.paths.isEmpty())
        return usageError("no paths given");
    return request;
}

// A file's or package's fingerprint, or a folder's, taken as a package; none for anything else (a
// link is not followed, and FIFOs, devices and sockets hold no content to compare).
std::optional<QString> fingerprintOf(const FileManagerProxy &files, const Url &url, qint64 level)
{
    const std::optional<FileAttributes> item = files.attributesOfItemAtURL(url);
    if (!item || !(item->isRegularFile() || item->isDirectory()))
        return std::nullopt;
    // The item looked at is the one read: one put in its place meanwhile gives none.
    return files.dirMD5_withLeel(url, level, item->id());
}

} // namespace

int runFingerprintCommand(const QList<QByteArray> &arguments)
{
    const auto parsed = parse(arguments);
    if (const int *status = std::get_if<int>(&parsed))
        return *status;
    const Request &request = std::get<Request>(parsed);
    // A relative path means nothing without a current folder; it must never stand for one below "/".
    for (const QByteArray &path : request.paths) {
        if (Url::fromAbsolutePath(path).isNull())
            return usageError(ShellQuoting::shown(path) +
                              ": a relative path, and the current folder cannot be found");
    }

    const FileManagerProxy &files = FileManagerProxy::sharedInstance();
    bool everyPathHasOne = true;
    ReportOutput output;
    for (const QByteArray &path : request.paths) {
        const auto fingerprint = fingerprintOf(files, Url::fromAbsolutePath(path), request.level);
        everyPathHasOne = everyPathHasOne && fingerprint.has_value();
        output.write((fingerprint ? fingerprint->toLatin1() : QByteArray("-")) + '\t' +
                     ShellQuoting::shown(path) + '\n');
    }
    if (const int error = output.finish()) {
        std::fprintf(stderr, "twinsift-cli fingerprint: cannot write the results: %s\n",
                     std::strerror(error));
        return 2;
    }
    return everyPathHasOne ? 0 : 1;
}
