#include "fs/Md5.h"

#include <openssl/evp.h>

namespace {

const EVP_MD *md5Algorithm()
{
    // Fetched once: an implicit fetch on every initialisation is measurable for small files.
    static const EVP_MD *const algorithm = [] {
        const EVP_MD *md = EVP_MD_fetch(nullptr, "MD5", nullptr);
        if (!md)
            qFatal("OpenSSL offers no MD5 implementation");
        return md;
    }();
    return algorithm;
}

} // namespace

Md5::Md5() : m_context(EVP_MD_CTX_new())
{
    if (!m_context || !EVP_DigestInit_ex(m_context, md5Algorithm(), nullptr))
        qFatal("cannot set up an MD5 digest");
}

Md5::~Md5()
{
    EVP_MD_CTX_free(m_context);
}

void Md5::update(const char *data, size_t n)
{
    EVP_DigestUpdate(m_context, data, n);
}

QString Md5::digestText()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context, digest, &length);
    EVP_DigestInit_ex(m_context, md5Algorithm(), nullptr);
    return hexText(digest);
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
