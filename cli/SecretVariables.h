#pragma once

#include <QStringList>

// The environment variables that may hold a secret instead of a file: the broker password, the
// radmon password, the Safecast key.
inline constexpr char kPasswordVariable[] = "SOLAMINE_MQTT_PASSWORD";
inline constexpr char kRadmonPasswordVariable[] = "SOLAMINE_RADMON_PASSWORD";
inline constexpr char kSafecastKeyVariable[] = "SOLAMINE_SAFECAST_KEY";
// Read by this program, never passed on to the programs it starts.
inline const QStringList kSecretVariables{QString::fromLatin1(kPasswordVariable),
                                          QString::fromLatin1(kRadmonPasswordVariable),
                                          QString::fromLatin1(kSafecastKeyVariable)};
