#pragma once

#include "PlatformFile.h"

#include <QtGlobal>

class QFile;
class QString;

// Which file stood under a path at one moment, and how long it was then, so that a file
// replaced, removed or written to by someone else shows as a change.
struct FileState {
    FileIdentity In;
    qint64 Size = -1;  // -1: no regular file that could be opened
    friend bool operator==(const FileState&, const FileState&) = default;
};

// The state of an open file.
FileState StateOf(QFile& file);

// The state of what stands at path now, opened for reading only when it is a regular file (a
// FIFO would block the open). Size -1 when there is none or it cannot be opened.
FileState StateAt(const QString& path);
