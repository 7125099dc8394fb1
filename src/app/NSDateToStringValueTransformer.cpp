#include "app/NSDateToStringValueTransformer.h"

#include "fs/FileManagerProxy.h"

#include <QDateTime>

QVariant NSDateToStringValueTransformer::transformedValue(const QVariant &value) const
{
    if (value.typeId() != QMetaType::QDateTime)
        return QVariant();
    const auto text = FileManagerProxy::sharedInstance().URLDate_toStringWithFormat(
        value.toDateTime(), QStringLiteral("yyyy-MM-dd  HH:mm:ss"));
    return text ? QVariant(*text) : QVariant();
}

QVariant NSDateToStringValueTransformer::reverseTransformedValue(const QVariant &) const
{
    return QVariant();
}
