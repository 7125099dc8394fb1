#pragma once

#include <QByteArray>
#include <QList>

// Each returns the process exit status: 0 success, 1 a path gave no result or a removal (or putting a
// file back) failed, 2 a usage error or a report that could not be written, 130 a scan or clean-up
// interrupted.
int runFingerprintCommand(const QList<QByteArray> &arguments);
int runScanCommand(const QList<QByteArray> &arguments);
int runCleanCommand(const QList<QByteArray> &arguments);
int runUndoCommand(const QList<QByteArray> &arguments);
