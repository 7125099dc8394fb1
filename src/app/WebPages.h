#pragma once

#include <QUrl>

// The project's web pages that the application opens.
namespace WebPages {

inline QUrl help()
{
    return QUrl(QStringLiteral("https://www.quenby.com/twinsift/help/"));
}

// The maker's other products.
inline QUrl products()
{
    return QUrl(QStringLiteral("https://www.quenby.com/"));
}

inline QUrl rate()
{
    return QUrl(QStringLiteral("https://www.quenby.com/twinsift/rate/"));
}

} // namespace WebPages
