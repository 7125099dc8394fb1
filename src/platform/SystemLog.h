#pragma once

#include <QString>

// The system log (syslog), under the identity "twinsift".
namespace SystemLog {
void write(const QString &message);
}
