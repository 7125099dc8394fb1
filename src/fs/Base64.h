#pragma once

#include <cstddef>

// Standard Base64 (RFC 4648: "A-Za-z0-9+/" alphabet, "=" padding, no line breaks).
namespace Base64 {

// Characters that n bytes encode to: 4 for every started group of 3 bytes.
constexpr size_t encodedLength(size_t n)
{
    return (n + 2) / 3 * 4;
}

// Writes the Base64 text of the n bytes at data to text, which must hold encodedLength(n) characters,
// and returns that length. Only a final group of 1 or 2 bytes is padded, so a long input encoded in
// pieces whose lengths are multiples of 3 (the last piece excepted) gives the text of the whole.
size_t encode(const unsigned char *data, size_t n, char *text);

// The encoders, for tests and benchmarks that compare them. encode() uses the fastest available one.
enum class Kernel { Portable, Avx2, Avx512Vbmi };
bool isAvailable(Kernel kernel);
// As encode(), with an encoder that isAvailable().
size_t encodeWith(Kernel kernel, const unsigned char *data, size_t n, char *text);

} // namespace Base64
