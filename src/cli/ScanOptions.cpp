#include "cli/ScanOptions.h"

#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

#include <QHash>

#include <type_traits>

namespace {

const QHash<QByteArray, QString> &typeSwitches()
{
    static const QHash<QByteArray, QString> switches = {
        {"document", SettingsKeys::scanTypeDocument}, {"movie", SettingsKeys::scanTypeMovie},
        {"music", SettingsKeys::scanTypeMusic},       {"picture", SettingsKeys::scanTypePicture},
        {"archive", SettingsKeys::scanTypeArchive},
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

// A count of mebibytes given to an option: a number of type T, not negative.
template <typename T>
std::optional<T> nonNegative(const QByteArray &option, const QByteArray &text, const char *kind,
                             QString *error)
{
    bool ok = false;
    const T value = std::is_floating_point_v<T> ? T(text.toDouble(&ok)) : T(text.toLongLong(&ok));
    if (ok && value >= 0)
        return value;
    *error = QStringLiteral("%1 needs %2 of MiB, not '%3'")
                 .arg(QString::fromUtf8(option), QLatin1String(kind), QString::fromUtf8(text));
    return std::nullopt;
}

} // namespace

std::optional<ScanOptions> ScanOptions::parse(const QList<QByteArray> &arguments, QString *error)
{
    ScanOptions options;
    bool onlyPaths = false;
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
        auto [name, inlineValue] = splitOption(argument);
        const auto value = [&, &name = name, &inlineValue = inlineValue]() -> std::optional<QByteArray> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            *error = QStringLiteral("option %1 needs a value").arg(QString::fromUtf8(name));
            return std::nullopt;
        };
        if (name == "--quiet" || name == "-q") {
            options.quiet = true;
        } else if (name == "--no-fast-scan") {
            options.noFastScan = true;
        } else if (name == "--format") {
            const auto format = value();
            if (!format)
                return std::nullopt;
            if (*format == "text") {
                options.format = Format::Text;
            } else if (*format == "json") {
                options.format = Format::Json;
            } else {
                *error =
                    QStringLiteral("unknown format '%1' (use text or json)").arg(QString::fromUtf8(*format));
                return std::nullopt;
            }
        } else if (name == "--min-size") {
            const auto text = value();
            const auto mebibytes = text ? nonNegative<double>(name, *text, "a number", error) : std::nullopt;
            if (!mebibytes)
                return std::nullopt;
            options.minimumSizeMiB = mebibytes;
        } else if (name == "--fast-scan-size") {
            const auto text = value();
            const auto mebibytes =
                text ? nonNegative<qint64>(name, *text, "a whole number", error) : std::nullopt;
            if (!mebibytes)
                return std::nullopt;
            options.fastScanSizeMiB = mebibytes;
        } else if (name == "--types") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            QList<QByteArray> types;
            for (const QByteArray &type : text->split(',')) {
                const QByteArray trimmed = type.trimmed().toLower();
                if (!typeSwitches().contains(trimmed)) {
                    *error =
                        QStringLiteral("unknown type '%1' (use document, movie, music, picture, archive)")
                            .arg(QString::fromUtf8(type));
                    return std::nullopt;
                }
                types << trimmed;
            }
            options.types = types;
        } else {
            *error = QStringLiteral("unknown option '%1'").arg(QString::fromUtf8(argument));
            return std::nullopt;
        }
    }
    if (options.paths.isEmpty()) {
        *error = QStringLiteral("no PATH given");
        return std::nullopt;
    }
    return options;
}

void ScanOptions::applyToSettings() const
{
    UserDefaults &defaults = UserDefaults::standard();
    // The command line shows no pictures, so it does not make thumbnails.
    defaults.setVolatile(false, SettingsKeys::createThumbnail);
    if (minimumSizeMiB) {
        defaults.setVolatile(true, SettingsKeys::onlyFileSize);
        defaults.setVolatile(*minimumSizeMiB, SettingsKeys::onlyFileSizeValue);
    }
    if (fastScanSizeMiB)
        defaults.setVolatile(*fastScanSizeMiB, SettingsKeys::fastScanSize);
    if (noFastScan)
        defaults.setVolatile(false, SettingsKeys::fastScanOption);
    if (types) {
        defaults.setVolatile(false, SettingsKeys::scanTypeAll);
        for (auto it = typeSwitches().cbegin(); it != typeSwitches().cend(); ++it)
            defaults.setVolatile(types->contains(it.key()), it.value());
    }
}
