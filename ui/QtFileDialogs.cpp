#include "QtFileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace {

std::optional<QString> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

std::optional<QString> Run(QFileDialog& dialog) {
    dialog.setNameFilter(QtNameFilters(QCoreApplication::translate("QtFileDialogs", kCsvFilter)));
    dialog.setDefaultSuffix(QString::fromUtf16(kCsvDefaultExt).mid(1));
    return Chosen(dialog);
}

}  // namespace

void QtFileDialogs::StartInFolder(QFileDialog& dialog) const {
    if (!Folder().isEmpty() && QFileInfo(Folder()).isDir()) {
        dialog.setDirectory(Folder());
    }
}

std::optional<QString> QtFileDialogs::Remember(const std::optional<QString>& chosen) {
    if (chosen) {
        SetFolder(QFileInfo(*chosen).absolutePath());
    }
    return chosen;
}

std::optional<QString> QtFileDialogs::ChooseOpenFile(const QString& directory) {
    QFileDialog dialog(parent_);
    if (!directory.isEmpty()) {
        dialog.setDirectory(directory);
    } else {
        StartInFolder(dialog);
    }
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed; a missing file is reported when it is read.
    dialog.setFileMode(QFileDialog::AnyFile);
    // A folder given, such as the recovery folder, is not where the user keeps their logs.
    return directory.isEmpty() ? Remember(Run(dialog)) : Run(dialog);
}

std::optional<QString> QtFileDialogs::ChooseSaveFile(const QString& currentFile) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (QFileInfo(currentFile).isRelative()) {
        StartInFolder(dialog);
    }
    if (!currentFile.isEmpty()) {
        dialog.selectFile(currentFile);
    }
    return Remember(Run(dialog));
}

std::optional<QString> QtFileDialogs::ChooseImageFile() {
    QFileDialog dialog(parent_);
    StartInFolder(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QCoreApplication::translate("QtFileDialogs", "PNG 画像 (*.png)"),
                           QStringLiteral("PDF (*.pdf)")});
    dialog.setDefaultSuffix(QStringLiteral("png"));
    // The suffix follows the chosen filter, so "PDF" with a bare name gives a PDF.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(f.contains(QStringLiteral("pdf")) ? QStringLiteral("pdf")
                                                                  : QStringLiteral("png"));
    });
    return Remember(Chosen(dialog));
}

std::optional<QString> QtFileDialogs::ChooseFolder() {
    QFileDialog dialog(parent_);
    StartInFolder(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // The next dialog starts beside the folder chosen, where its siblings are.
    return Remember(Chosen(dialog));
}
