#pragma once

#include <QByteArray>

#include <functional>

class MyTreeNode;
class SourceNodeManager;
class SourcePaths;

// The result of a scan in the formats of `twinsift-cli scan`, handed to write() a part at a time so
// that a report of many groups is never held whole. Paths are shown as the user named them, and
// sources numbered by their place among the paths given. Main thread.
namespace ScanReport {

using Writer = std::function<void(const QByteArray &part)>;

// What the report tells besides the groups: how complete the scan was.
struct Completeness
{
    qint64 skipped = 0;
    qint64 readErrors = 0;
    bool interrupted = false;
};

// Each shown group's paths one per line, groups separated by one empty line. A path that holds a
// control character is quoted for the shell, so that no name can make up lines of its own.
void text(const SourceNodeManager &manager, const SourcePaths &sources, const Writer &write);

// The paths as they are, each ended by a NUL byte, and an empty record (one more NUL) between groups.
void nullSeparated(const SourceNodeManager &manager, const SourcePaths &sources, const Writer &write);

// {"sources": [...], "groups": [...], "stats": {...}, "interrupted": ...}, one object on one line.
// Bytes of a path or an extension that are not valid UTF-8 are written as the escape \udcXX so that
// readers can recover them.
void json(const SourceNodeManager &manager, const SourcePaths &sources, const Completeness &completeness,
          const Writer &write);

// The member's path as the user named it.
QByteArray shownPath(const SourcePaths &sources, const MyTreeNode &file);

} // namespace ScanReport
