#include "FileCommands.h"

#include "CsvLog.h"
#include "DisplayRules.h"
#include "SampleLog.h"

#include <QDate>
#include <QStringList>

QString QtNameFilters(QStringView filter) {
    const QList<QStringView> parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1].toString();
        patterns.replace(u';', u' ');
        filters.append(parts[i].toString() + QStringLiteral(" (") + patterns + u')');
    }
    return filters.join(QStringLiteral(";;"));
}

FileCommands::FileCommands(SampleLog& log, SampleDisplay& display, const GraphSettings& settings,
                           FileDialogs& dialogs)
    : log_(log), display_(display), settings_(settings), dialogs_(dialogs) {}

void FileCommands::NewClick() {
    currentFile_.clear();
    display_.ClearCpm();
    display_.ClearDose();
    log_.Clear();
    display_.ClearLog();
}

void FileCommands::OpenClick() {
    const std::optional<QString> path = dialogs_.ChooseOpenFile();
    if (path) {
        OpenFile(*path);
    }
}

void FileCommands::OpenFile(const QString& path) {
    const int year = yearForTests_ != 0 ? yearForTests_ : QDate::currentDate().year();
    // Read before New, so a file that cannot be read leaves everything as it was.
    std::vector<Sample> samples = ReadCsvLog(path, year).Samples;
    NewClick();
    log_.Assign(std::move(samples));
    RebuildDisplay(log_, settings_, display_);
    currentFile_ = path;
}

void FileCommands::SaveClick() {
    if (currentFile_.isEmpty()) {
        SaveAsClick();
        return;
    }
    RebuildDisplay(log_, settings_, display_);
    Write();
}

void FileCommands::SaveAsClick() {
    const std::optional<QString> path = dialogs_.ChooseSaveFile(currentFile_);
    if (!path) {
        return;
    }
    currentFile_ = *path;
    RebuildDisplay(log_, settings_, display_);
    Write();
}

void FileCommands::AutoSave() {
    if (!currentFile_.isEmpty()) {
        Write();
    }
}

void FileCommands::Write() {
    // The same records the rebuild just drew, so the file holds exactly the pane's lines.
    WriteCsvLog(currentFile_, CsvTextOf(log_, settings_));
}
