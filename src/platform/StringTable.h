#pragma once

#include <QString>

// The application's string table: texts looked up by key. A key that the table lacks reads as the
// key itself. Format texts use %1, %2, ... in the documented argument order.
//
// Tables are compiled from translations/twinsift_<language>.ts. Those installed with the
// application (share/twinsift/translations beside its bin folder) are preferred, so a table can be
// added or corrected without a rebuild; the ones built into the program are the fallback.
namespace StringTable {

// Loads the English table; call once after the QCoreApplication exists. The command-line tool uses
// only this one, so that its reports read the same on every machine.
void install();

// Loads the English table and, over it, the table of the first of the user's languages that TwinSift
// has (LANGUAGE, else LC_ALL, LC_MESSAGES or LANG), so that a key missing from that table still reads
// in English. Qt's own texts (standard buttons and dialogs) follow the same language where the system
// has them.
void installForUserLanguages();

QString text(const char *key);

// A text that counts something: its plural form is the one for `count`. Placeholders are filled as
// usual; a %n, if the text has one, becomes `count`.
QString text(const char *key, qint64 count);

} // namespace StringTable
