#include "app/ApplicationLifecycle.h"

#include "app/NSDateToStringValueTransformer.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

#include <unistd.h>

namespace ApplicationLifecycle {

void registerDefaultsAndTransformers()
{
    UserDefaults::standard().registerDefaults(SettingsKeys::registeredDefaults());
    ValueTransformer::setValueTransformer_forName(std::make_shared<NSDateToStringValueTransformer>(),
                                                  QStringLiteral("NSDateToStringValueTransformer"));
}

void shutDown()
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setBool(false, SettingsKeys::cleanFolderCheckbox);
    defaults.setBool(false, SettingsKeys::cleanTypeCheckbox);
    defaults.synchronize();
    ::sync();
}

} // namespace ApplicationLifecycle
