#pragma once

#include "platform/Error.h"
#include "platform/Url.h"

#include <QByteArray>

// The failures and free names that the file operations share.

// A move given no destination, or one that exists or has no parent folder.
Error moveRefused();
// The trash could not take an item, for the reason given.
Error trashRefused(const Error &reason);
// The item at a name is no longer the one that was checked: it was left alone.
Error itemChanged(const Url &url);

// The counter-th free name made from name: its stem, "_counter", then ".extension" if it has one.
QByteArray freeNameCandidate(const QByteArray &name, qint64 counter);
