#include "cli/CleanOptions.h"

#include <QHash>

namespace {

QString text(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

// Takes the option's value from "--name=value" or the next argument; no value when there is none.
std::optional<QByteArray> valueOf(const QByteArray &argument, const QList<QByteArray> &arguments,
                                  qsizetype &i)
{
    const qsizetype equals = argument.indexOf('=');
    if (equals >= 0)
        return argument.mid(equals + 1);
    if (i + 1 < arguments.size())
        return arguments[++i];
    return std::nullopt;
}

} // namespace

std::optional<CleanOptions> CleanOptions::parse(const QList<QByteArray> &arguments, QString *error)
{
    CleanOptions options;
    QList<QByteArray> scanArguments;
    bool onlyPaths = false;
    const QHash<QByteArray, bool *> switches = {{"--dry-run", &options.dryRun},
                                                {"--include-empty", &options.includeEmpty}};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments[i];
        const qsizetype equals = argument.indexOf('=');
        const QByteArray name = equals < 0 ? argument : argument.left(equals);
        const bool takesValue = name == "--keep" || name == "--source" || name == "--ext" ||
                                name == "--move-to" || name == "--link" || name == "--on-error" ||
                                name == "--protect" || name == "--protect-source";
        bool *const flag = switches.value(name);
        if (onlyPaths || !(takesValue || flag)) {
            onlyPaths = onlyPaths || argument == "--";
            scanArguments << argument;
            continue;
        }
        if (flag) {
            if (equals >= 0) {
                *error = QStringLiteral("option %1 takes no value").arg(text(name));
                return std::nullopt;
            }
            *flag = true;
            continue;
        }
        const std::optional<QByteArray> value = valueOf(argument, arguments, i);
        if (!value) {
            *error = QStringLiteral("option %1 needs a value").arg(text(name));
            return std::nullopt;
        }
        if (name == "--keep" && (*value == "newest" || *value == "oldest")) {
            options.keep = *value == "newest" ? Keep::Newest : Keep::Oldest;
        } else if (name == "--on-error" && (*value == "quit" || *value == "continue")) {
            options.onError = *value == "quit" ? OnError::Quit : OnError::Continue;
        } else if (name == "--link" && (*value == "hard" || *value == "reflink")) {
            options.link = *value == "hard" ? Link::Hard : Link::Reflink;
        } else if (name == "--source" || name == "--protect-source") {
            bool ok = false;
            const qint64 position = value->toLongLong(&ok);
            if (!ok || position < 0) {
                *error = QStringLiteral("%1 needs the position of a source, from 0, not '%2'")
                             .arg(text(name), text(*value));
                return std::nullopt;
            }
            if (name == "--source")
                options.source = position;
            else
                options.protectSources.append(position);
        } else if (name == "--protect" && !value->isEmpty()) {
            options.protect.append(*value);
        } else if (name == "--ext" && !value->isEmpty()) {
            // As the groups keep extensions: lower case, without the dot.
            options.extension = text(value->startsWith('.') ? value->mid(1) : *value).toLower();
        } else if (name == "--move-to" && !value->isEmpty()) {
            options.moveTo = *value;
        } else {
            *error = QStringLiteral("option %1 does not take '%2'").arg(text(name), text(*value));
            return std::nullopt;
        }
    }
    if (options.moveTo && options.link != Link::None) {
        *error = QStringLiteral("--move-to and --link exclude each other");
        return std::nullopt;
    }
    const std::optional<ScanOptions> scan = ScanOptions::parse(scanArguments, error);
    if (!scan)
        return std::nullopt;
    if (scan->format == "csv") {
        // A clean-up's report tells what became of each file: no table of the groups.
        *error = QStringLiteral("clean writes no csv report (use text or json)");
        return std::nullopt;
    }
    options.scan = *scan;
    return options;
}
