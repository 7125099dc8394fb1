#include "fs/Md5.h"

#include "fs/Md5Kernels.h"

#include <algorithm>
#include <cstring>

void Md5::compress(const unsigned char *blocks, size_t count)
{
    Md5Kernels::compressPortable(&m_state, &blocks, &count, 1);
}

void Md5::update(const char *data, size_t n)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    size_t held = size_t(m_length % 64);
    m_length += n;
    if (held) {
        const size_t taken = std::min(n, 64 - held);
        std::memcpy(m_partial + held, bytes, taken);
        bytes += taken;
        n -= taken;
        held += taken;
        if (held < 64)
            return;
        compress(m_partial, 1);
    }
    if (n >= 64)
        compress(bytes, n / 64);
    std::memcpy(m_partial, bytes + n / 64 * 64, n % 64);
}

void Md5::digest(unsigned char bytes[16])
{
    Md5Lanes::finish(m_state, m_partial, m_length, bytes);
    Md5Lanes::start(m_state);
    m_length = 0;
}

QString Md5::digestText()
{
    unsigned char bytes[16];
    digest(bytes);
    return hexText(bytes);
}

QString Md5::hexText(const unsigned char digest[16])
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    QString text(32, Qt::Uninitialized);
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = QLatin1Char(hexDigits[digest[i] >> 4]);
        text[2 * i + 1] = QLatin1Char(hexDigits[digest[i] & 15]);
    }
    return text;
}

QString Md5::digestTextOf(const QByteArray &bytes)
{
    Md5 md5;
    md5.update(bytes.constData(), static_cast<size_t>(bytes.size()));
    return md5.digestText();
}
