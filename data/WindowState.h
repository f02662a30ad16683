#pragma once

#include "PeriodSummary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// What the window remembers between runs, in the INI file's "Window" section: where its
// windows were, whether the log pane was shown and how high, the summaries' period, the folder
// the file dialogs were last in and the recent logs. Anything missing is "as at the first
// start".
struct WindowState {
    QByteArray MainGeometry;  // QWidget::saveGeometry; empty: the first size
    bool LogShown = false;
    int LogHeight = 0;                    // 0: the pane's first height
    QByteArray SummaryGeometry;           // empty: the summaries window's first size
    std::optional<SummaryPeriod> Period;  // of the summaries window; none: its first period
    QString Folder;                       // where the file dialogs start; empty: their own choice
    QStringList RecentFiles;              // newest first, at most RecentFiles::kMaxFiles

    bool operator==(const WindowState&) const = default;
};

// Reads the "Window" section; a missing file, section or key, or a value that does not read,
// gives that part's default. Never writes.
WindowState LoadWindowState(const QString& iniPath, const QString& startingPath = {});

// Writes the "Window" section's keys, keeping every other line of the file. Returns false at
// the first key that cannot be written (an unwritable or refused file): what the window
// remembers is a convenience, and the settings' own save reports the file.
bool SaveWindowState(const QString& iniPath, const WindowState& state,
                     const QString& startingPath = {});
