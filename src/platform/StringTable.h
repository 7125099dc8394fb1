#pragma once

#include <QString>

// The application's string table: texts looked up by key. A key that the table lacks reads as the
// key itself. Format texts use %1, %2, ... in the documented argument order.
namespace StringTable {

// Loads the compiled table into the running application; call once after the QCoreApplication exists.
void install();

QString text(const char *key);

} // namespace StringTable
