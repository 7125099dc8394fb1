#pragma once

#include <QString>

#include <cstddef>
#include <optional>

// A fingerprint as nodes and groups keep it. Almost every fingerprint is one digest text of 32
// upper-case hex digits, which is kept as its 16 bytes; no value and "" are kept as a tag alone, and
// any other text (several chunks' digests, a package's digests joined, lower-case hex) as it is.
// The encoding is canonical: two stored fingerprints are equal exactly when their texts are, so
// they are compared without turning them back into text. Alignment 1, so two of them sit side by
// side without padding.
class CompactFingerprint
{
public:
    CompactFingerprint() = default;
    explicit CompactFingerprint(const std::optional<QString> &text);
    CompactFingerprint(const CompactFingerprint &other);
    CompactFingerprint(CompactFingerprint &&other) noexcept;
    CompactFingerprint &operator=(CompactFingerprint other) noexcept;
    ~CompactFingerprint();

    bool hasValue() const { return m_kind != Kind::None; }
    // The exact text that was stored.
    std::optional<QString> text() const;

    void swap(CompactFingerprint &other) noexcept;
    friend bool operator==(const CompactFingerprint &a, const CompactFingerprint &b);
    friend size_t qHash(const CompactFingerprint &fingerprint, size_t seed);

private:
    enum class Kind : unsigned char { None, Empty, Digest, OtherText };

    QString *otherText() const;

    // A digest's bytes, or (OtherText) the address of a QString of our own.
    unsigned char m_bytes[16] = {};
    Kind m_kind = Kind::None;
};
