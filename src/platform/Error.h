#pragma once

#include <QString>

#include <optional>

// A failure reported by value: a domain, a code within it, and a text for people.
// Operations that may fail return std::optional<Error>; no value means success.
struct Error
{
    QString domain;
    qint64 code = 0;
    QString description;

    // Domain of failures that come from a system call; the code is the errno value.
    static inline const QString posixDomain = QStringLiteral("NSPOSIXErrorDomain");

    // A system-call failure for the given path, with the system's text for the errno value.
    static Error fromErrno(int errnoValue, const QString &path);

    // The failure as a person reads it: its description, or for a failure that carries none, a text
    // naming its domain and code.
    QString localizedDescription() const;

    friend bool operator==(const Error &a, const Error &b) { return a.domain == b.domain && a.code == b.code; }
};

using MaybeError = std::optional<Error>;
