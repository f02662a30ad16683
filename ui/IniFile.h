#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct AlarmSettings;
struct GraphSettings;

// A private-profile (INI) file. Section and key names match without regard to letter case and
// spaces around names and values do not count when reading. Writing a key creates the file, the
// section and the key line as needed and changes nothing else in the file: other lines, their
// order and their line ends stay byte for byte.
class IniFile {
public:
    // Reads the file at path now; a missing or unreadable file reads as empty.
    explicit IniFile(QString path);

    const QString& Path() const { return path_; }

    // The value of key in section with surrounding spaces and one pair of matching quotes (double
    // or single) removed; nullopt when either is missing.
    std::optional<QString> ReadString(const QString& section, const QString& key) const;

    // Sets key in section and replaces the file atomically. Returns false, leaving the file as it
    // was, when it cannot be written, and also when it exists but could not be read (writing
    // would lose its other lines).
    bool WriteString(const QString& section, const QString& key, const QString& value);

private:
    QString path_;
    QByteArray bytes_;
    bool unreadable_ = false;
};

// Where the settings live: beside the executable with its extension replaced by ".ini" when that
// file exists or a file can be created in its directory, otherwise the same file name in
// PerUserSettingsFolder().
QString IniPathFor(const QString& executablePath);

// The user's own settings folder: %APPDATA%\solamine on Windows, ~/.config/solamine elsewhere.
QString PerUserSettingsFolder();

// The graph settings from section "Graph"; missing, empty, non-numeric, non-finite or (for the
// background) out-of-range values give the defaults silently. Never writes.
GraphSettings LoadGraphSettings(const QString& iniPath);

// Writes "uSv" and then "BackGround"; throws UserError "<path> に書き込めません" at the first key
// that cannot be written.
void SaveGraphSettings(const QString& iniPath, const GraphSettings& settings);

// The alarm from section "Alarm": "uSv" the threshold (missing, 0, negative or not a number:
// off) and "Sound" (a number other than 0, or true/yes/on). Never writes.
AlarmSettings LoadAlarmSettings(const QString& iniPath);

// Writes "uSv" and "Sound" of section "Alarm", keeping every other line; throws UserError
// "<path> に書き込めません" at the first key that cannot be written.
void SaveAlarmSettings(const QString& iniPath, const AlarmSettings& settings);
