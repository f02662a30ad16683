#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes, all or nothing: on any failure the old file stays as it
// was. Returns false and sets errorText to the system's error text when it fails.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* errorText);
