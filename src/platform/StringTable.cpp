#include "platform/StringTable.h"

#include <QCoreApplication>
#include <QTranslator>

namespace StringTable {

void install()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral(":/i18n/twinsift_en.qm")))
        QCoreApplication::installTranslator(translator);
}

QString text(const char *key)
{
    return qtTrId(key);
}

} // namespace StringTable
