#include "platform/Utf8.h"

int utf8SequenceLength(const char *bytes, qsizetype available)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int length;
    unsigned int minimum;
    unsigned int codePoint;
    if ((c & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, codePoint = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, codePoint = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, codePoint = c & 0x07;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

QString surrogateEscapedText(const QByteArray &bytes)
{
    QString text;
    qsizetype validFrom = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8SequenceLength(bytes.constData() + i, bytes.size() - i);
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + validFrom, i - validFrom);
        text += QChar(char16_t(0xDC00 + uchar(bytes[i])));
        validFrom = ++i;
    }
    return text + QString::fromUtf8(bytes.constData() + validFrom, bytes.size() - validFrom);
}

QByteArray surrogateEscapedBytes(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool pairs = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (c.isLowSurrogate() && c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            bytes += char(c.unicode() - 0xDC00);
        } else {
            bytes += QStringView(text).mid(i, pairs ? 2 : 1).toUtf8();
            i += pairs ? 1 : 0;
        }
    }
    return bytes;
}
