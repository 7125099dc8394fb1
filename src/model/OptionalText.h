#pragma once

#include <QString>

#include <optional>

// Model objects store optional texts as QString, the null string standing for no value, which
// keeps them small. An empty text (the fingerprint of an empty file) is a value and must stay
// distinct from no value.
inline std::optional<QString> textOrNone(const QString &text)
{
    return text.isNull() ? std::nullopt : std::optional<QString>(text);
}

inline QString storedText(const std::optional<QString> &text)
{
    if (!text)
        return QString();
    return text->isNull() ? QString(QLatin1String("")) : *text;
}
