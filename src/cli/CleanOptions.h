#pragma once

#include "cli/ScanOptions.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What `twinsift-cli clean` was asked to do: a scan, then a clean-up of every group it found.
struct CleanOptions
{
    enum class Keep { Newest, Oldest };
    enum class OnError { Quit, Continue };
    enum class Link { None, Hard, Reflink };

    ScanOptions scan;
    Keep keep = Keep::Newest;
    // Remove only copies in the source at this position of the sources given (from 0).
    std::optional<qint64> source;
    // Folders whose files are never touched, and the sources at these positions (from 0).
    QList<QByteArray> protect;
    QList<qint64> protectSources;
    // Remove only copies with this extension (lower case, without a dot).
    std::optional<QString> extension;
    // Move the copies into this folder; without it, delete them.
    std::optional<QByteArray> moveTo;
    // Replace the copies by links to the copy that stays instead of deleting them.
    Link link = Link::None;
    bool dryRun = false;
    // Clean the groups of empty files too, which are left alone by default: removing them frees nothing.
    bool includeEmpty = false;
    OnError onError = OnError::Quit;

    // Parses the arguments after "clean"; on a usage error returns no value and sets the message.
    static std::optional<CleanOptions> parse(const QList<QByteArray> &arguments, QString *error);
};
