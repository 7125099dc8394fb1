#pragma once

#include <QtGlobal>

class QMessageBox;
class QWidget;

// The question asked once more before a clean-up deletes files for good: it names what goes and that
// it cannot be undone, and both Enter and Escape answer Cancel. Shown window-modal over the window
// and returned at once; the caller acts on its accepted() signal. It deletes itself when it closes.
QMessageBox *askToDeletePermanently(QWidget *window, qint64 files, qint64 bytes);
