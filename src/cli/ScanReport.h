#pragma once

#include <QByteArray>

#include <functional>

class CustomRuleController;
class SourceNodeManager;

// The result of a scan in the two formats of `twinsift-cli scan`, handed to write() a part at a
// time so that a report of many groups is never held whole. Main thread.
namespace ScanReport {

using Writer = std::function<void(const QByteArray &part)>;

// Each shown group's paths one per line, groups separated by one empty line.
void text(const SourceNodeManager &manager, const Writer &write);

// {"sources": [...], "groups": [...], "stats": {...}}, one object on one line. Bytes of a path that
// are not valid UTF-8 are written as the escape \udcXX so that readers can recover them.
void json(const SourceNodeManager &manager, const CustomRuleController &rules, const Writer &write);

// The text of a JSON string literal for the given bytes, quotes included.
QByteArray jsonString(const QByteArray &bytes);

} // namespace ScanReport
