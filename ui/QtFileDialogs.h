#pragma once

#include "FileCommands.h"

class QWidget;

// The Open and Save As dialogs of the main window, with the fixed extension and filter; the
// Save As dialog asks before replacing a file and starts from the current file name.
class QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}

    std::optional<QString> ChooseOpenFile(const QString& directory) override;
    std::optional<QString> ChooseSaveFile(const QString& currentFile) override;
    std::optional<QString> ChooseImageFile() override;

private:
    QWidget* parent_;
};
