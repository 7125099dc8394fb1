#pragma once

#include <QString>
#include <QVariantMap>

// The settings of the main window's own choices, kept between runs beside its size and dividers.
namespace WindowSettings {

// Group rows of one line without pictures, so that many groups fit on a screen.
inline const QString compactRows = QStringLiteral("MainWindow/compactRows");
// Whether the sources of one run are added again, and scanned, at the next start.
inline const QString rememberSources = QStringLiteral("MainWindow/rememberSources");
// The sources as "file://" URIs, which keep every byte of a name, and those of them that are protected.
inline const QString sources = QStringLiteral("MainWindow/sources");
inline const QString protectedSources = QStringLiteral("MainWindow/protectedSources");

inline QVariantMap registeredDefaults()
{
    return {{compactRows, false}, {rememberSources, true}};
}

} // namespace WindowSettings
