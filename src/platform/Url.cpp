#include "platform/Url.h"

#include "platform/Utf8.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <unistd.h>

#include <vector>

namespace {

QByteArray withoutTrailingSlashes(QByteArray bytes)
{
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    return bytes;
}

// The current folder, or nothing when it cannot be found (it was removed, or lies outside the
// process's root): a relative path then leads nowhere, never to "/".
QByteArray currentDirectory()
{
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return QByteArray();
        buffer.resize(buffer.size() * 2);
    }
    return QByteArray(buffer.data());
}

} // namespace

QString decodeFileNameBytes(const QByteArray &bytes, bool escapeInvalid)
{
    // Nearly every name is valid UTF-8: decode those in one step.
    qsizetype valid = 0;
    while (valid < bytes.size()) {
        const int length = utf8SequenceLength(bytes.constData() + valid, bytes.size() - valid);
        if (length == 0)
            break;
        valid += length;
    }
    if (valid == bytes.size())
        return QString::fromUtf8(bytes);

    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const int len = utf8SequenceLength(bytes.constData() + i, n - i);
        if (len == 0) {
            if (escapeInvalid)
                out += QStringLiteral("\\udc%1").arg(p[i], 2, 16, QLatin1Char('0'));
            else
                out += QChar(QChar::ReplacementCharacter);
            ++i;
            continue;
        }
        out += QString::fromUtf8(bytes.constData() + i, len);
        i += len;
    }
    return out;
}

Url Url::fromPath(const QByteArray &bytes)
{
    return Url(withoutTrailingSlashes(bytes));
}

Url Url::fromAbsolutePath(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return Url();
    if (bytes.startsWith('/'))
        return fromPath(bytes);
    QByteArray base = currentDirectory();
    if (base.isEmpty())
        return Url();
    if (!base.endsWith('/'))
        base += '/';
    return fromPath(base + bytes);
}

Url Url::fromLocalPath(const QString &path)
{
    return fromAbsolutePath(QFile::encodeName(path));
}

QByteArray Url::fileName() const
{
    const qsizetype slash = m_path.lastIndexOf('/');
    return slash < 0 ? m_path : m_path.mid(slash + 1);
}

QByteArray Url::pathExtension() const
{
    const QByteArray name = fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.mid(dot + 1);
}

QByteArray Url::stem() const
{
    const QByteArray name = fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

Url Url::parent() const
{
    const qsizetype slash = m_path.lastIndexOf('/');
    if (slash < 0 || m_path == "/")
        return Url();
    if (slash == 0)
        return Url(QByteArray("/"));
    return Url(m_path.left(slash));
}

Url Url::child(const QByteArray &name) const
{
    // Sized exactly: a scan keeps one of these per file.
    const bool needsSlash = !m_path.endsWith('/');
    QByteArray path;
    path.reserve(m_path.size() + (needsSlash ? 1 : 0) + name.size());
    path.append(m_path);
    if (needsSlash)
        path.append('/');
    path.append(name);
    return Url(std::move(path));
}

QString Url::displayPath() const
{
    return decodeFileNameBytes(m_path, false);
}

QString Url::displayName() const
{
    return decodeFileNameBytes(fileName(), false);
}

QString Url::escapedPath() const
{
    return decodeFileNameBytes(m_path, true);
}

size_t qHash(const Url &url, size_t seed)
{
    return qHash(url.path(), seed);
}
