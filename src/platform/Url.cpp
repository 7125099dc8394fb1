#include "platform/Url.h"

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

QByteArray currentDirectory()
{
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return QByteArray("/");
        buffer.resize(buffer.size() * 2);
    }
    return QByteArray(buffer.data());
}

// Length of the valid UTF-8 sequence starting at p (at most n bytes left), or 0 when it is not one.
int validSequenceLength(const unsigned char *p, qsizetype n)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int len;
    unsigned int min;
    unsigned int cp;
    if ((c & 0xE0) == 0xC0) {
        len = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

QString decodeFileNameBytes(const QByteArray &bytes, bool escapeInvalid)
{
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const int len = validSequenceLength(p + i, n - i);
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
    if (m_path.endsWith('/'))
        return Url(m_path + name);
    return Url(m_path + '/' + name);
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
