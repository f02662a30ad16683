#pragma once

class QFile;
class QString;

// Puts what was written to the open file on the disk: fsync, or FlushFileBuffers on Windows.
// Returns false when the system reports a failure, with the system's error text in errorText
// when given.
bool SyncFileToDisk(QFile& file, QString* errorText = nullptr);
