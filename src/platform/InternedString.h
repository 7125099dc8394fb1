#pragma once

#include <QString>

// Returns a string equal to `text` that shares its storage with every earlier equal text, so that
// millions of nodes holding a few distinct type names or extensions store each of them once.
// Thread-safe.
QString internedString(const QString &text);
