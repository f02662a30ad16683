#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes, all or nothing: on any failure the old file stays as it
// was. Where the directory does not let a new file be created but the file itself may be
// written (a shared folder, the program's folder), the file is written in place instead:
// truncated, written, flushed and synced. Returns false and sets errorText to the system's
// reason when it fails.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* errorText);

// Rewrites the existing file at path from byte offset on: the bytes before offset stay, tail
// follows them and the file ends there. The new size is reserved first (posix_fallocate, or a
// free-space check where the file system cannot reserve), so that a full disk fails before a
// byte has changed; then tail is written, the file cut to its new size, flushed and synced.
// Returns false and sets errorText to the system's reason when it fails; when the reservation
// failed, the file is as it was.
bool RewriteFileFrom(const QString& path, qint64 offset, const QByteArray& tail,
                     QString* errorText);

// The error every save reports: "ファイル "%s" を作成できません。%s" with the full path.
[[noreturn]] void ThrowCannotCreate(const QString& path, const QString& reason);

// WriteFileAtomically, throwing that error when it fails.
void WriteFileOrThrow(const QString& path, const QByteArray& bytes);
