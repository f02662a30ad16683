#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes, all or nothing: on any failure the old file stays as it
// was. Where the directory does not let a new file be created but the file itself may be
// written (a shared folder, the program's folder), the file is written in place instead:
// truncated, written, flushed and synced. A device, FIFO or socket at path is refused
// (NotRegularFile) and left as it is. Returns false and sets error (when given) to a Write
// error with the system's reason when it fails. With ownerOnly the file is readable and writable
// by its owner only (0600) before the bytes go in; otherwise a file keeps its permissions.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, FileError* error,
                         bool ownerOnly = false);

// Rewrites the existing file at path from byte offset on: the bytes before offset stay, tail
// follows them and the file ends there. The new size is reserved first (posix_fallocate, or a
// free-space check where the file system cannot reserve), so that a full disk fails before a
// byte has changed; then tail is written, the file cut to its new size, flushed and synced.
// Returns false and sets error (when given) to a Write error when it fails: Shrunk when the
// file is shorter than offset, else System with the system's reason; when the reservation
// failed, the file is as it was.
bool RewriteFileFrom(const QString& path, qint64 offset, const QByteArray& tail, FileError* error);

// WriteFileAtomically, throwing its error as a FileFailure when it fails.
void WriteFileOrThrow(const QString& path, const QByteArray& bytes);
