#pragma once

#include <QByteArray>
#include <QString>

// A file location as the kernel sees it: the native path as bytes. Linux file names are bytes, not
// text, so paths are compared, joined and split as bytes; QString appears only for display.
// A default-constructed Url is the null ("absent") location.
class Url
{
public:
    Url() = default;

    // Takes native path bytes as they are, apart from dropping trailing slashes ("/" stays "/").
    static Url fromPath(const QByteArray &bytes);
    // A path the user typed or a caller got as text; relative paths are made absolute against the
    // current directory, as a file URL would be (null when it cannot be found).
    static Url fromLocalPath(const QString &path);
    // Native bytes, made absolute against the current directory when relative; null when relative and
    // the current directory cannot be found.
    static Url fromAbsolutePath(const QByteArray &bytes);

    bool isNull() const { return m_path.isEmpty(); }
    explicit operator bool() const { return !isNull(); }

    const QByteArray &path() const { return m_path; }
    const char *c_str() const { return m_path.constData(); }

    // The last path component ("" for "/").
    QByteArray fileName() const;
    // The text after the last "." of the last component; empty when there is none.
    QByteArray pathExtension() const;
    // The last component without its extension and that dot.
    QByteArray stem() const;
    // The folder that holds this item; null for "/" and for a path without a folder part.
    Url parent() const;
    Url child(const QByteArray &name) const;

    // Readable text for display and sorting. Bytes that are not valid UTF-8 show as U+FFFD.
    QString displayPath() const;
    QString displayName() const;
    // The same bytes as text that converts back losslessly: invalid UTF-8 bytes become the
    // escape "\udcXX" (XX the byte in lower-case hex), and a backslash stays a backslash.
    QString escapedPath() const;

    friend bool operator==(const Url &a, const Url &b) { return a.m_path == b.m_path; }
    friend bool operator!=(const Url &a, const Url &b) { return a.m_path != b.m_path; }
    friend bool operator<(const Url &a, const Url &b) { return a.m_path < b.m_path; }

private:
    explicit Url(QByteArray bytes) : m_path(std::move(bytes)) {}
    QByteArray m_path;
};

// Text decoding shared by the display helpers: the name as UTF-8, with every byte that is not part of
// a valid UTF-8 sequence replaced by `escapeInvalid(byte)`.
QString decodeFileNameBytes(const QByteArray &bytes, bool escapeInvalid);

size_t qHash(const Url &url, size_t seed = 0);
