#pragma once

#include "model/PreciseLevel.h"

#include <QStringList>

#include <array>
#include <optional>

class UserDefaults;

// The rules a scan applies, as one value: which kinds of files it takes in, the user's extensions that
// put a file in a kind, the size below which files are left out, which files are compared by samples,
// whether groups get thumbnails, and whether fingerprints are remembered between runs. The window makes one
// from the settings and hands the scans a new one whenever a setting changes; the command-line tool makes one
// from its options.
struct ScanRules
{
    // The kinds a scan can be limited to, in the order that decides a file fitting two.
    enum class Kind { Document, Movie, Music, Picture, Archive };
    static constexpr std::array kinds = {Kind::Document, Kind::Movie, Kind::Music, Kind::Picture,
                                         Kind::Archive};

    // Every file, whatever its kind; else only the kinds switched on.
    bool scansEveryKind = true;
    std::array<bool, kinds.size()> scansKind{};
    // Extensions (as the user wrote them) that put a file in each kind before its type is asked.
    std::array<QStringList, kinds.size()> extensions;
    // Files smaller than this many bytes are left out.
    std::optional<quint64> minimumSize;
    PreciseLevel preciseLevel{true, qint64(20) << 20};
    bool thumbnails = true;
    // Whether fingerprints are remembered between runs (see FingerprintCache). The front ends switch it
    // on by default; a value made in code remembers nothing unless asked to.
    bool usesFingerprintCache = false;

    bool scans(Kind kind) const { return scansKind[size_t(kind)]; }
    const QStringList &extensionsOf(Kind kind) const { return extensions[size_t(kind)]; }

    // The rules as the settings store holds them now (registered defaults where nothing is stored).
    static ScanRules fromSettings(const UserDefaults &defaults);
};
