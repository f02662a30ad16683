#include "WindowLanguage.h"

#include "IniFile.h"

namespace {

const QString windowSection = QStringLiteral("Window");
const QString languageKey = QStringLiteral("Language");

}  // namespace

WindowLanguage LoadWindowLanguage(const QString& iniPath, const QString& startingPath) {
    const IniFile ini(iniPath, startingPath);
    const QString code = ini.ReadString(windowSection, languageKey).value_or(QString());
    return code.compare(u"en", Qt::CaseInsensitive) == 0 ? WindowLanguage::English
                                                         : WindowLanguage::Japanese;
}

bool SaveWindowLanguage(const QString& iniPath, WindowLanguage language,
                        const QString& startingPath) {
    IniFile ini(iniPath, startingPath);
    return ini.WriteString(
        windowSection, languageKey,
        language == WindowLanguage::English ? QStringLiteral("en") : QStringLiteral("ja"));
}
