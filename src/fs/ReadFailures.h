#pragma once

#include "platform/Url.h"

#include <QString>

#include <functional>

// Content that could not be read: a file that could not be opened, a read that failed, a folder inside
// a package that could not be listed. Each failure goes to the system log and to the observer that the
// front end installs, so that the person running a scan learns which items were not compared.
namespace ReadFailures {

// Called on whichever thread met the failure; it must be quick and thread-safe.
using Observer = std::function<void(const Url &url, const QString &reason)>;

// Replaces the observer; an empty one removes it.
void setObserver(Observer observer);

// Logs the failure and tells the observer. reason is for people ("cannot open: Permission denied").
void report(const Url &url, const QString &reason);

} // namespace ReadFailures
