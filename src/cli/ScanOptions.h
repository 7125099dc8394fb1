#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What `twinsift-cli scan` was asked to do.
struct ScanOptions
{
    enum class Format { Text, NullSeparated, Json };

    Format format = Format::Text;
    // Clamped to the largest size the setting takes, which no file reaches.
    std::optional<double> minimumSizeMiB;
    std::optional<qint64> fastScanSizeMiB;
    bool noFastScan = false;
    // Category names: document, movie, music, picture, archive.
    std::optional<QList<QByteArray>> types;
    bool quiet = false;
    bool verbose = false;
    bool useSettings = false;
    // --help or -h: show the command's help and do nothing else.
    bool help = false;
    QList<QByteArray> paths;

    // Parses the arguments after "scan"; on a usage error returns no value and sets the message. A
    // request for help ends the parsing: what follows it is not looked at.
    static std::optional<ScanOptions> parse(const QList<QByteArray> &arguments, QString *error);

    // Applies the options as settings for this run only; nothing is stored. Without useSettings the
    // user's stored settings are left aside, so every other setting has its registered default.
    void applyToSettings() const;
};
