#pragma once

#include <QString>
#include <QStringView>
#include <optional>

class SampleLog;
class SampleDisplay;
struct GraphSettings;

// The file dialogs' fixed settings. Both dialogs use the default extension and the filter; the
// save dialog asks before replacing an existing file, the open dialog accepts any name.
inline constexpr char16_t kCsvDefaultExt[] = u".csv";
inline constexpr char16_t kCsvFilter[] = u"CSVファイル|*.csv";

// "Description|pattern|..." as Qt's name filters ("CSVファイル (*.csv)"), joined by ";;".
QString QtNameFilters(QStringView filter);

// What the commands ask the user; the main window answers with real file dialogs, tests with
// prepared answers.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The file to open, starting from an empty name; nullopt when cancelled.
    virtual std::optional<QString> ChooseOpenFile() = 0;
    // The file to save to, pre-filled with currentFile; the dialog confirms replacing an
    // existing file. nullopt when cancelled.
    virtual std::optional<QString> ChooseSaveFile(const QString& currentFile) = 0;
};

// New, Open, Save and Save As on CSV log files. Failures throw UserError for the caller's
// error box; a failed Open changes nothing.
class FileCommands {
public:
    FileCommands(SampleLog& log, SampleDisplay& display, const GraphSettings& settings,
                 FileDialogs& dialogs);

    void NewClick();
    void OpenClick();
    // Open without the dialog: a file named on the command line.
    void OpenFile(const QString& path);
    void SaveClick();
    void SaveAsClick();

    // The file Save writes to; empty when there is none.
    const QString& CurrentFile() const { return currentFile_; }

    // Writes the whole sample log to the current file in the Save format without redrawing;
    // does nothing without a current file. Throws UserError on failure.
    void AutoSave();

    // Two-digit years are placed relative to this year instead of the current one.
    void SetCurrentYearForTests(int year) { yearForTests_ = year; }

private:
    void Write();

    SampleLog& log_;
    SampleDisplay& display_;
    const GraphSettings& settings_;
    FileDialogs& dialogs_;
    QString currentFile_;
    int yearForTests_ = 0;
};
