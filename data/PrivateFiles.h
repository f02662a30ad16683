#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Files that hold secrets (a broker password) and the folders they live in, kept to their owner.

// A secret file is a line or so: larger ones are refused (the words for it count in MiB).
inline constexpr qint64 kMaxSecretFileBytes = qint64(1) << 20;

// The bytes of the secret file at path. Returns nothing and sets error (when given) to a Read
// error when it cannot be read: NotFound, NotRegularFile, TooLarge (Limit kMaxSecretFileBytes),
// System, or OpenToOthers when its permissions give its group or others any access, so that a
// secret anyone else could read is never used. On Windows the permissions are not looked at:
// the file is protected by the folder it lives in.
std::optional<QByteArray> ReadSecretFile(const QString& path, FileError* error);

// Creates folder, and every missing folder above it, with access for the owner only (0700
// whatever the umask); folders that exist are left as they are. Returns false when folder is
// not a folder at the end.
bool MakePrivateFolder(const QString& folder);
