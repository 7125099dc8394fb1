#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What `twinsift-cli scan` was asked to do.
struct ScanOptions
{
    enum class Format { Text, Json };

    Format format = Format::Text;
    std::optional<double> minimumSizeMiB;
    std::optional<qint64> fastScanSizeMiB;
    bool noFastScan = false;
    // Category names: document, movie, music, picture, archive.
    std::optional<QList<QByteArray>> types;
    bool quiet = false;
    QList<QByteArray> paths;

    // Parses the arguments after "scan"; on a usage error returns no value and sets the message.
    static std::optional<ScanOptions> parse(const QList<QByteArray> &arguments, QString *error);

    // Applies the options as settings for this run only; nothing is stored.
    void applyToSettings() const;
};
