#pragma once

#include <QString>
#include <QVariant>

#include <memory>

// Turns a model value into what a view shows, and optionally back. Transformers are registered by
// name so that views can refer to them; the registry owns them. Main thread only.
class ValueTransformer
{
public:
    virtual ~ValueTransformer() = default;
    virtual QVariant transformedValue(const QVariant &value) const = 0;
    virtual QVariant reverseTransformedValue(const QVariant &value) const = 0;

    static void setValueTransformer_forName(std::shared_ptr<ValueTransformer> transformer, const QString &name);
    static std::shared_ptr<ValueTransformer> valueTransformerForName(const QString &name);
};
