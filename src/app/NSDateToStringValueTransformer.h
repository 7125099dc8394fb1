#pragma once

#include <QVariant>

// Shows a date as "yyyy-MM-dd  HH:mm:ss" (two blanks before the time) in the user's locale and time
// zone. One way only: texts are never turned back into dates.
class NSDateToStringValueTransformer
{
public:
    static bool allowsReverseTransformation() { return false; }

    // A QDateTime gives its text; anything else (no value included) gives no value.
    QVariant transformedValue(const QVariant &value) const;
    QVariant reverseTransformedValue(const QVariant &value) const;
};
