#include "platform/StringTable.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <algorithm>
#include <climits>

namespace {

const QString tableName = QStringLiteral("twinsift");

// Installs a translator with the first table that `load` finds in the installed folder or among the
// built-in resources, and returns it; null when none was found.
template <typename Load> const QTranslator *installFirst(Load load)
{
    const QStringList folders = {QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/" TWINSIFT_TRANSLATIONS_FROM_BIN),
                                 QStringLiteral(":/i18n")};
    auto *translator = new QTranslator(QCoreApplication::instance());
    for (const QString &folder : folders) {
        if (load(*translator, folder)) {
            QCoreApplication::installTranslator(translator);
            return translator;
        }
    }
    delete translator;
    return nullptr;
}

} // namespace

namespace StringTable {

void install()
{
    installFirst([](QTranslator &translator, const QString &folder) {
        return translator.load(tableName + QStringLiteral("_en"), folder);
    });
}

void installForUserLanguages()
{
    install();
    // QTranslator walks QLocale::system().uiLanguages() in order, trying "de_AT" and then "de", and
    // stops at the first table it has; the languages come from LANGUAGE, else LC_ALL, LC_MESSAGES, LANG.
    // A user who puts English first keeps the English table alone.
    const QTranslator *translation = installFirst([](QTranslator &translator, const QString &folder) {
        return translator.load(QLocale::system(), tableName, QStringLiteral("_"), folder) &&
               translator.language() != QLatin1String("en");
    });
    if (!translation)
        return;
    auto *qtTexts = new QTranslator(QCoreApplication::instance());
    if (qtTexts->load(QLocale(translation->language()), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
    else
        delete qtTexts;
}

QString text(const char *key)
{
    return qtTrId(key);
}

QString text(const char *key, qint64 count)
{
    // Plural rules tell "one" from "many" well below INT_MAX, so clamping changes no form.
    return qtTrId(key, int(std::min<qint64>(count, INT_MAX)));
}

} // namespace StringTable
