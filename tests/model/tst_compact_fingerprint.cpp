// Fingerprints are stored compactly but decide duplicates by their exact text: every text must come
// back unchanged, and stored forms must be equal exactly when their texts are.
#include "model/CompactFingerprint.h"
#include "support/TestSupport.h"

#include <QSet>
#include <QtTest>

namespace {

const QString digest = QStringLiteral("F4C0128178A6A21B7A3DD76729725D91");

// Texts that must stay distinct from each other, each next to a near miss of the digest form.
QList<std::optional<QString>> samples()
{
    return {
        std::nullopt,
        QString(QLatin1String("")),
        digest,
        digest.toLower(),                                    // lower-case hex is another text
        QStringLiteral("F4C0128178A6A21B7A3DD76729725D9"),   // 31 digits
        QStringLiteral("F4C0128178A6A21B7A3DD76729725D910"), // 33 digits
        QStringLiteral("F4C0128178A6A21B7A3DD76729725D9G"),  // not a hex digit
        QStringLiteral("F4C0128178A6a21B7A3DD76729725D91"),  // one lower-case digit
        QStringLiteral("00000000000000000000000000000000"),
        QStringLiteral("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"),
        digest + digest,                                         // two chunks of a large file
        QStringLiteral("F4C0128178A6A21B7A3DD76729725D9\u00C9"), // a non-ASCII character
    };
}

} // namespace

class TestCompactFingerprint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyTextComesBackExactly()
    {
        for (const std::optional<QString> &text : samples()) {
            const CompactFingerprint stored(text);
            QVERIFY(stored.text() == text && stored.hasValue() == text.has_value());
            // Copies and moves carry the same text, and the original keeps its own.
            CompactFingerprint copy = stored;
            CompactFingerprint moved = std::move(copy);
            QCOMPARE(moved.text(), text);
            copy = moved;
            moved = CompactFingerprint();
            QVERIFY(copy.text() == text && stored.text() == text && !moved.hasValue());
        }
        // "" is a value (an empty file), not the absence of one; a null text given as a value too.
        QVERIFY(CompactFingerprint(QString()).hasValue());
        QCOMPARE(CompactFingerprint(QString()).text(), std::optional<QString>(QString(QLatin1String(""))));
    }

    void storedFormsAreEqualExactlyWhenTextsAre()
    {
        const QList<std::optional<QString>> texts = samples();
        for (const auto &a : texts) {
            for (const auto &b : texts) {
                const CompactFingerprint x(a), y(b);
                QCOMPARE(x == y, a == b);
                if (a == b)
                    QCOMPARE(qHash(x, 7), qHash(y, 7));
            }
        }
        // Equal texts made separately are equal in every form, as a hash key too.
        QSet<CompactFingerprint> keys;
        for (const auto &text : texts)
            keys.insert(CompactFingerprint(
                text ? std::optional<QString>(QString(text->constData(), text->size())) : std::nullopt));
        for (const auto &text : texts)
            QVERIFY(keys.contains(CompactFingerprint(text)));
        QCOMPARE(keys.size(), texts.size());
    }
};

TWINSIFT_TEST_MAIN(TestCompactFingerprint, QCoreApplication)
#include "tst_compact_fingerprint.moc"
