#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

class QFile;

// Opens path for reading, but only when it is a regular file of at most maxBytes: a FIFO, a
// device or a directory is refused without blocking and before a byte is read from it. Returns
// the reason for the user when the file is refused or cannot be opened (the system's text,
// "通常のファイルではありません" or TooLargeText), nothing when file is open; size is its size
// then.
std::optional<QString> OpenRegularFile(const QString& path, qint64 maxBytes, QFile& file,
                                       qint64& size);

// "512 MiB を超える大きさです": why a file over maxBytes is refused.
QString TooLargeText(qint64 maxBytes);
