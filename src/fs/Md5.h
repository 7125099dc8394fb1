#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

typedef struct evp_md_ctx_st EVP_MD_CTX;

// MD5 (RFC 1321) of bytes given in any number of pieces, through OpenSSL's EVP interface.
class Md5
{
public:
    Md5();
    ~Md5();
    Md5(const Md5 &) = delete;
    Md5 &operator=(const Md5 &) = delete;

    void update(const char *data, size_t n);
    // The digest of the bytes given since construction or the previous call, as 32 uppercase hex
    // digits in digest-byte order; the next bytes start a new digest.
    QString digestText();

    // The digest text of bytes held in one buffer.
    static QString digestTextOf(const QByteArray &bytes);
    // Digest bytes as 32 uppercase hex digits, in digest-byte order.
    static QString hexText(const unsigned char digest[16]);

private:
    EVP_MD_CTX *m_context;
};
