#pragma once

#include <cstdint>

class QFile;
class QString;

// What the platform's file API gives and Qt does not, for an open file. One file per platform
// defines these: PlatformFilePosix, PlatformFileWindows.

// Puts what was written to the file on the disk: fsync, or FlushFileBuffers on Windows.
// Returns false when the system reports a failure, with the system's error text in errorText
// when given.
bool SyncFileToDisk(QFile& file, QString* errorText = nullptr);

// A file just created is only safe once its folder's entry is on disk too: syncs the folder that
// holds path, where the system needs that (not on Windows, whose file systems journal it).
void SyncFolderOf(const QString& path);

// Which file this is on its volume (device and inode; volume serial and file index on Windows),
// so a file replaced under the same name is told apart. All zero when the system cannot say.
struct FileIdentity {
    std::uint64_t Volume = 0;
    std::uint64_t Index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
FileIdentity IdentityOf(QFile& file);
