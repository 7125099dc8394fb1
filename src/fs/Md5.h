#pragma once

#include "fs/Md5Lanes.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// MD5 (RFC 1321) of bytes given in any number of pieces, on one lane of the portable kernel: the
// vector kernels pay off only with many messages at once.
class Md5
{
public:
    Md5() { Md5Lanes::start(m_state); }

    void update(const char *data, size_t n);
    // The 16 digest bytes of the bytes given since construction or the previous call; the next bytes
    // start a new digest.
    void digest(unsigned char bytes[16]);
    // The same as 32 uppercase hex digits in digest-byte order.
    QString digestText();

    // The digest text of bytes held in one buffer.
    static QString digestTextOf(const QByteArray &bytes);
    // Digest bytes as 32 uppercase hex digits, in digest-byte order.
    static QString hexText(const unsigned char digest[16]);

private:
    void compress(const unsigned char *blocks, size_t count);

    Md5State m_state;
    // The bytes of the block not yet full.
    unsigned char m_partial[64];
    uint64_t m_length = 0;
};
