#include "WindowState.h"

#include "IniFile.h"
#include "RecentFiles.h"

#include <QFileInfo>
#include <utility>
#include <vector>

namespace {

const QString windowSection = QStringLiteral("Window");

QString RecentKey(int index) {
    return QStringLiteral("Recent%1").arg(index + 1);
}

QString Text(const IniFile& ini, const QString& key) {
    return ini.ReadString(windowSection, key).value_or(QString());
}

QByteArray Bytes(const IniFile& ini, const QString& key) {
    return QByteArray::fromBase64(Text(ini, key).toLatin1());
}

}  // namespace

WindowState LoadWindowState(const QString& iniPath, const QString& startingPath) {
    const IniFile ini(iniPath, startingPath);
    WindowState state;
    state.MainGeometry = Bytes(ini, QStringLiteral("Geometry"));
    state.LogShown = ReadFlag(ini, windowSection, QStringLiteral("LogShown"), false);
    bool ok = false;
    const int height = Text(ini, QStringLiteral("LogHeight")).toInt(&ok);
    state.LogHeight = ok && height > 0 ? height : 0;
    state.SummaryGeometry = Bytes(ini, QStringLiteral("SummaryGeometry"));
    SummaryPeriod period = SummaryPeriod::Day;
    if (ParsePeriodName(Text(ini, QStringLiteral("SummaryPeriod")), &period)) {
        state.Period = period;
    }
    state.Folder = Text(ini, QStringLiteral("Folder"));
    QStringList recent;
    for (int i = 0; i < RecentFiles::kMaxFiles; ++i) {
        recent << Text(ini, RecentKey(i));
    }
    state.RecentFiles = RecentFiles(recent).Paths();
    return state;
}

bool SaveWindowState(const QString& iniPath, const WindowState& state,
                     const QString& startingPath) {
    IniFile ini(iniPath, startingPath);
    std::vector<std::pair<QString, QString>> keys = {
        {QStringLiteral("Geometry"), QString::fromLatin1(state.MainGeometry.toBase64())},
        {QStringLiteral("LogShown"), state.LogShown ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("LogHeight"), QString::number(state.LogHeight)},
        {QStringLiteral("SummaryGeometry"), QString::fromLatin1(state.SummaryGeometry.toBase64())},
        {QStringLiteral("SummaryPeriod"), state.Period ? PeriodName(*state.Period) : QString()},
        {QStringLiteral("Folder"), state.Folder},
    };
    // Every place is written, so a shorter list leaves no older name behind.
    for (int i = 0; i < RecentFiles::kMaxFiles; ++i) {
        keys.emplace_back(RecentKey(i), state.RecentFiles.value(i));
    }
    // Each key written replaces the file: those that already hold their value are left alone.
    const bool exists = QFileInfo::exists(iniPath);
    for (const auto& [key, value] : keys) {
        if (exists && Text(ini, key) == value) {
            continue;
        }
        if (!ini.WriteString(windowSection, key, value)) {
            return false;
        }
    }
    return true;
}
