#include "platform/ValueTransformer.h"

#include <QHash>

namespace {
QHash<QString, std::shared_ptr<ValueTransformer>> &registry()
{
    static QHash<QString, std::shared_ptr<ValueTransformer>> transformers;
    return transformers;
}
} // namespace

void ValueTransformer::setValueTransformer_forName(std::shared_ptr<ValueTransformer> transformer, const QString &name)
{
    registry().insert(name, std::move(transformer));
}

std::shared_ptr<ValueTransformer> ValueTransformer::valueTransformerForName(const QString &name)
{
    return registry().value(name);
}
