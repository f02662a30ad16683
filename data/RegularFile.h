#pragma once

#include "FileError.h"

#include <QString>
#include <QtGlobal>
#include <optional>

class QFile;

// Opens path for reading, but only when it is a regular file of at most maxBytes: a FIFO, a
// device or a directory is refused without blocking and before a byte is read from it. Returns
// nothing when file is open (size is then its size); otherwise a Read error: NotFound,
// NotRegularFile, TooLarge (Limit maxBytes) or System with the system's reason.
std::optional<FileError> OpenRegularFile(const QString& path, qint64 maxBytes, QFile& file,
                                         qint64& size);
