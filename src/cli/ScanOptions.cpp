#include "cli/ScanOptions.h"

#include "browser/ReportFormat.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

const QHash<QByteArray, ScanRules::Kind> &typeSwitches()
{
    static const QHash<QByteArray, ScanRules::Kind> switches = {
        {"document", ScanRules::Kind::Document}, {"movie", ScanRules::Kind::Movie},
        {"music", ScanRules::Kind::Music},       {"picture", ScanRules::Kind::Picture},
        {"archive", ScanRules::Kind::Archive},
    };
    return switches;
}

// Splits "--name=value" into its parts; a plain "--name" gives no inline value.
std::pair<QByteArray, std::optional<QByteArray>> splitOption(const QByteArray &argument)
{
    const qsizetype equals = argument.indexOf('=');
    if (!argument.startsWith("--") || equals < 0)
        return {argument, std::nullopt};
    return {argument.left(equals), argument.mid(equals + 1)};
}

QString text(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

// "a, b or c"
QString choices(const QList<QByteArray> &names)
{
    QString list;
    for (qsizetype i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + text(names[i]);
    return list;
}

// A minimum size: any number of MiB that is not negative. Sizes beyond the largest the setting takes,
// infinity included, mean the same as it (no file is that large).
std::optional<double> minimumSize(const QByteArray &value, QString *error)
{
    bool ok = false;
    const double mebibytes = value.toDouble(&ok);
    if (!ok || std::isnan(mebibytes) || mebibytes < 0) {
        *error = QStringLiteral("--min-size needs a number of MiB that is not negative, not '%1'")
                     .arg(text(value));
        return std::nullopt;
    }
    return std::min(mebibytes, SettingsKeys::maxMinimumSizeMiB);
}

std::optional<qint64> fastScanSize(const QByteArray &value, QString *error)
{
    bool ok = false;
    const qint64 mebibytes = value.toLongLong(&ok);
    if (ok && mebibytes >= 0 && mebibytes <= SettingsKeys::maxFastScanSizeMiB)
        return mebibytes;
    *error = QStringLiteral("--fast-scan-size needs a whole number of MiB from 0 to %1, not '%2'")
                 .arg(SettingsKeys::maxFastScanSizeMiB)
                 .arg(text(value));
    return std::nullopt;
}

std::optional<QList<QByteArray>> typeList(const QByteArray &value, QString *error)
{
    QList<QByteArray> types;
    for (const QByteArray &type : value.split(',')) {
        const QByteArray trimmed = type.trimmed().toLower();
        if (!typeSwitches().contains(trimmed)) {
            *error = QStringLiteral("unknown type '%1' (use document, movie, music, picture, archive)")
                         .arg(text(type));
            return std::nullopt;
        }
        types << trimmed;
    }
    return types;
}

} // namespace

std::optional<ScanOptions> ScanOptions::parse(const QList<QByteArray> &arguments, QString *error)
{
    ScanOptions options;
    bool onlyPaths = false;
    bool nullSeparated = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments[i];
        if (onlyPaths || !argument.startsWith('-') || argument == "-") {
            options.paths << argument;
            continue;
        }
        if (argument == "--") {
            onlyPaths = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options;
        }
        const auto [name, inlineValue] = splitOption(argument);
        // The switches take no value: "--quiet=no" must not quietly mean --quiet.
        const QHash<QByteArray, bool *> switches = {
            {"--quiet", &options.quiet},
            {"-q", &options.quiet},
            {"--no-fast-scan", &options.noFastScan},
            {"--no-cache", &options.noCache},
            {"--verbose", &options.verbose},
            {"--null", &nullSeparated},
            {"--use-settings", &options.useSettings},
        };
        if (const auto flag = switches.constFind(name); flag != switches.constEnd()) {
            if (inlineValue) {
                *error = QStringLiteral("option %1 takes no value").arg(text(name));
                return std::nullopt;
            }
            **flag = true;
            continue;
        }
        std::optional<QByteArray> value = inlineValue;
        if (!value && i + 1 < arguments.size())
            value = arguments[++i];
        if (!value) {
            *error = QStringLiteral("option %1 needs a value").arg(text(name));
            return std::nullopt;
        }
        if (name == "--format") {
            if (!ReportFormat::names().contains(*value)) {
                *error = QStringLiteral("unknown format '%1' (use %2)")
                             .arg(text(*value), choices(ReportFormat::names()));
                return std::nullopt;
            }
            options.format = *value;
        } else if (name == "--min-size") {
            if (!(options.minimumSizeMiB = minimumSize(*value, error)))
                return std::nullopt;
        } else if (name == "--fast-scan-size") {
            if (!(options.fastScanSizeMiB = fastScanSize(*value, error)))
                return std::nullopt;
        } else if (name == "--types") {
            if (!(options.types = typeList(*value, error)))
                return std::nullopt;
        } else {
            *error = QStringLiteral("unknown option '%1'").arg(text(argument));
            return std::nullopt;
        }
    }
    if (nullSeparated) {
        if (options.format != "text") {
            *error = QStringLiteral("--null is a form of the text format, not of %1")
                         .arg(text(options.format).toUpper());
            return std::nullopt;
        }
        options.format = "null";
    }
    if (options.paths.isEmpty()) {
        *error = QStringLiteral("no PATH given");
        return std::nullopt;
    }
    return options;
}

ScanRules ScanOptions::scanRules() const
{
    UserDefaults &defaults = UserDefaults::standard();
    if (!useSettings)
        defaults.ignoreStoredValues();
    ScanRules rules = ScanRules::fromSettings(defaults);
    // The command line shows no pictures, so it does not make thumbnails.
    rules.thumbnails = false;
    if (minimumSizeMiB) {
        // Single precision, as the window's setting is applied.
        rules.minimumSize = quint64(float(*minimumSizeMiB) * 1024.0f * 1024.0f);
    }
    rules.preciseLevel =
        PreciseLevel(!noFastScan && rules.preciseLevel.isFastScan(),
                     fastScanSizeMiB ? *fastScanSizeMiB << 20 : rules.preciseLevel.largeFrom());
    if (noCache)
        rules.usesFingerprintCache = false;
    if (types) {
        rules.scansEveryKind = false;
        for (auto it = typeSwitches().cbegin(); it != typeSwitches().cend(); ++it)
            rules.scansKind[size_t(it.value())] = types->contains(it.key());
    }
    return rules;
}
