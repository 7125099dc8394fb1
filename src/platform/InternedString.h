#pragma once

#include <QString>

// Returns a string equal to `text` that shares its storage with every earlier equal text, so that
// millions of nodes holding a few distinct type names or extensions store each of them once. The
// reference stays valid for the life of the process, so holders may keep just its address; a null
// text gives a null string. Thread-safe.
const QString &internedString(const QString &text);
