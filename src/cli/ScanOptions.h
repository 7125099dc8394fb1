#pragma once

#include "scan/ScanRules.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What `twinsift-cli scan` was asked to do.
struct ScanOptions
{
    // The report's format, by its name: one of ReportFormat::names(), or "null" for --null.
    QByteArray format = "text";
    // Clamped to the largest size the setting takes, which no file reaches.
    std::optional<double> minimumSizeMiB;
    std::optional<qint64> fastScanSizeMiB;
    bool noFastScan = false;
    // Reads every file, neither using nor filling the fingerprint cache.
    bool noCache = false;
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

    // The rules the options ask for. Every rule no option sets is the user's stored setting with
    // useSettings, else its registered default, so that a script gives the same result on every
    // machine; nothing is stored.
    ScanRules scanRules() const;
};
