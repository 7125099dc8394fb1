#include "model/CompactFingerprint.h"

#include <QHashFunctions>

#include <cstring>
#include <utility>

namespace {

constexpr int digestLength = 16;

// The value of an upper-case hex digit, or -1. Lower-case digits do not count: "ab" and "AB" are
// different fingerprints and must stay different.
int upperHexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool parseDigest(const QString &text, unsigned char *bytes)
{
    if (text.size() != 2 * digestLength)
        return false;
    const char16_t *digits = reinterpret_cast<const char16_t *>(text.constData());
    for (int i = 0; i < digestLength; ++i) {
        const int high = upperHexDigit(digits[2 * i]);
        const int low = upperHexDigit(digits[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}

QString digestText(const unsigned char *bytes)
{
    static constexpr char16_t hex[] = u"0123456789ABCDEF";
    QString text(2 * digestLength, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (int i = 0; i < digestLength; ++i) {
        out[2 * i] = hex[bytes[i] >> 4];
        out[2 * i + 1] = hex[bytes[i] & 0xF];
    }
    return text;
}

} // namespace

CompactFingerprint::CompactFingerprint(const std::optional<QString> &text)
{
    if (!text)
        return;
    if (text->isEmpty()) {
        m_kind = Kind::Empty;
    } else if (parseDigest(*text, m_bytes)) {
        m_kind = Kind::Digest;
    } else {
        QString *copy = new QString(*text);
        std::memcpy(m_bytes, &copy, sizeof copy);
        m_kind = Kind::OtherText;
    }
}

CompactFingerprint::CompactFingerprint(const CompactFingerprint &other) : m_kind(other.m_kind)
{
    if (m_kind == Kind::OtherText) {
        QString *copy = new QString(*other.otherText());
        std::memcpy(m_bytes, &copy, sizeof copy);
    } else {
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
    }
}

CompactFingerprint::CompactFingerprint(CompactFingerprint &&other) noexcept
{
    swap(other);
}

CompactFingerprint &CompactFingerprint::operator=(CompactFingerprint other) noexcept
{
    swap(other);
    return *this;
}

CompactFingerprint::~CompactFingerprint()
{
    if (m_kind == Kind::OtherText)
        delete otherText();
}

QString *CompactFingerprint::otherText() const
{
    QString *text;
    std::memcpy(&text, m_bytes, sizeof text);
    return text;
}

std::optional<QString> CompactFingerprint::text() const
{
    switch (m_kind) {
    case Kind::None:
        return std::nullopt;
    case Kind::Empty:
        return QString(QLatin1String(""));
    case Kind::Digest:
        return digestText(m_bytes);
    case Kind::OtherText:
        return *otherText();
    }
    return std::nullopt;
}

void CompactFingerprint::swap(CompactFingerprint &other) noexcept
{
    std::swap(m_bytes, other.m_bytes);
    std::swap(m_kind, other.m_kind);
}

bool operator==(const CompactFingerprint &a, const CompactFingerprint &b)
{
    if (a.m_kind != b.m_kind)
        return false;
    switch (a.m_kind) {
    case CompactFingerprint::Kind::Digest:
        return std::memcmp(a.m_bytes, b.m_bytes, sizeof a.m_bytes) == 0;
    case CompactFingerprint::Kind::OtherText:
        return *a.otherText() == *b.otherText();
    default:
        return true;
    }
}

size_t qHash(const CompactFingerprint &fingerprint, size_t seed)
{
    switch (fingerprint.m_kind) {
    case CompactFingerprint::Kind::Digest:
        return qHashBits(fingerprint.m_bytes, sizeof fingerprint.m_bytes, seed);
    case CompactFingerprint::Kind::OtherText:
        return qHash(*fingerprint.otherText(), seed);
    default:
        return qHash(int(fingerprint.m_kind), seed);
    }
}
