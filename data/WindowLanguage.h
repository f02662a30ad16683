#pragma once

#include <QString>

// The language of the window's texts: Japanese, the program's own, or English from its
// translation. Kept as the "Language" key ("ja" or "en") of the INI file's "Window" section and
// taken when the program starts.
enum class WindowLanguage { Japanese, English };

// The key's value; a missing file or key, or any other value, is Japanese.
WindowLanguage LoadWindowLanguage(const QString& iniPath, const QString& startingPath = {});

// Writes the key alone, keeping every other line of the file; false when it cannot be written.
bool SaveWindowLanguage(const QString& iniPath, WindowLanguage language,
                        const QString& startingPath = {});
