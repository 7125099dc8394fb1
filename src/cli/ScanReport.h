#pragma once

#include <QByteArray>

class CustomRuleController;
class SourceNodeManager;

// The result of a scan in the two formats of `twinsift-cli scan`. Main thread.
namespace ScanReport {

// Each shown group's paths one per line, groups separated by one empty line.
QByteArray text(const SourceNodeManager &manager);

// {"sources": [...], "groups": [...], "stats": {...}}, one object on one line. Bytes of a path that
// are not valid UTF-8 are written as the escape \udcXX so that readers can recover them.
QByteArray json(const SourceNodeManager &manager, const CustomRuleController &rules);

// The text of a JSON string literal for the given bytes, quotes included.
QByteArray jsonString(const QByteArray &bytes);

} // namespace ScanReport
