#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QString>
#include <optional>

struct AlarmSettings;
struct GraphSettings;

// A private-profile (INI) file. Section and key names match without regard to letter case and
// spaces around names and values do not count when reading. Writing a key creates the file, the
// section and the key line as needed and changes nothing else in the file: other lines, their
// order and their line ends stay byte for byte.
//
// Only a regular file of at most kMaxIniBytes is read. Anything else at path (a FIFO, a device,
// a directory, a huge file) is refused without blocking: it reads as empty and is never
// written.
class IniFile {
public:
    // Reads the file at path now; a missing or unreadable file reads as empty. While path does
    // not exist, startingPath (when given) is read instead: its lines are where the first write
    // to path starts from.
    explicit IniFile(QString path, const QString& startingPath = {});

    const QString& Path() const { return path_; }
    // Why the file was refused (a ReadSettings error: NotRegularFile, TooLarge with Limit
    // kMaxIniBytes, or System); nothing when it was not.
    const std::optional<FileError>& Refusal() const { return refusal_; }

    // The value of key in section with surrounding spaces and one pair of matching quotes (double
    // or single) removed; nullopt when either is missing.
    std::optional<QString> ReadString(const QString& section, const QString& key) const;

    // Sets key in section and replaces the file atomically. Returns false, leaving the file as it
    // was, when it cannot be written, and also when it exists but could not be read (writing
    // would lose its other lines) or was refused.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    // From now on, writes leave the file readable and writable by its owner only (0600): it
    // holds settings others should not read. A missing folder is always created owner-only.
    void KeepToOwner() { ownerOnly_ = true; }

private:
    // Reads from into bytes_; false when there is no such file.
    bool Read(const QString& from);

    QString path_;
    QByteArray bytes_;
    bool unreadable_ = false;
    bool ownerOnly_ = false;
    std::optional<FileError> refusal_;
};

// An INI file is a page of settings: larger ones are refused.
inline constexpr qint64 kMaxIniBytes = qint64(1) << 20;

// Where the settings live: Path is written at the end of a run, and read while it exists;
// StartingPath is read instead while it does not (empty: nothing).
struct IniPaths {
    QString Path;
    QString StartingPath;
};

// Beside the executable with its extension replaced by ".ini" when that file may be written by
// this user, or does not exist in a directory they may write. Otherwise the same file name in
// PerUserSettingsFolder(), starting from the file beside the executable when that
// exists (an administrator's settings for everyone).
IniPaths IniPathsFor(const QString& executablePath);
QString IniPathFor(const QString& executablePath);

// The user's own settings folder: %APPDATA%\solamine on Windows, ~/.config/solamine elsewhere.
QString PerUserSettingsFolder();

// A yes/no key: a number other than 0, or true/yes/on in any letter case; fallback when the key
// is missing.
bool ReadFlag(const IniFile& ini, const QString& section, const QString& key, bool fallback);

// The graph settings from section "Graph"; missing, empty, non-numeric, non-finite or (for the
// background) out-of-range values give the defaults silently, and so does a refused file
// (IniFile::Refusal says why). Never writes.
GraphSettings LoadGraphSettings(const QString& iniPath, const QString& startingPath = {});

// Writes "uSv" and then "BackGround"; throws a FileFailure with a WriteSettings error at the
// first key that cannot be written. A refused file is left as it is, without an error.
void SaveGraphSettings(const QString& iniPath, const GraphSettings& settings,
                       const QString& startingPath = {});

// The alarm from section "Alarm": "uSv" the threshold (missing, 0, negative or not a number:
// off) and "Sound" (a number other than 0, or true/yes/on). Never writes.
AlarmSettings LoadAlarmSettings(const QString& iniPath, const QString& startingPath = {});

// Writes "uSv" and "Sound" of section "Alarm", keeping every other line; throws a FileFailure
// with a WriteSettings error at the first key that cannot be written.
void SaveAlarmSettings(const QString& iniPath, const AlarmSettings& settings,
                       const QString& startingPath = {});
