#pragma once

#include "FileCommands.h"

class QFileDialog;
class QWidget;

// The Open and Save As dialogs of the main window, with the fixed extension and filter; the
// Save As dialog asks before replacing a file and starts from the current file name; the folder
// dialog chooses a folder of daily logs. Without a file or folder to start from they open in
// the folder of the file last chosen in them.
class QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}

    std::optional<QString> ChooseOpenFile(const QString& directory) override;
    std::optional<QString> ChooseSaveFile(const QString& currentFile) override;
    std::optional<QString> ChooseImageFile() override;
    std::optional<QString> ChooseFolder() override;

private:
    void StartInFolder(QFileDialog& dialog) const;
    // The folder of a chosen file becomes where the dialogs start next.
    std::optional<QString> Remember(const std::optional<QString>& chosen);

    QWidget* parent_;
};
