#include "QtFileDialogs.h"

#include <QFileDialog>

namespace {

std::optional<QString> Run(QFileDialog& dialog) {
    dialog.setNameFilter(QtNameFilters(kCsvFilter));
    dialog.setDefaultSuffix(QString::fromUtf16(kCsvDefaultExt).mid(1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

}  // namespace

std::optional<QString> QtFileDialogs::ChooseOpenFile(const QString& directory) {
    QFileDialog dialog(parent_);
    if (!directory.isEmpty()) {
        dialog.setDirectory(directory);
    }
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed; a missing file is reported when it is read.
    dialog.setFileMode(QFileDialog::AnyFile);
    return Run(dialog);
}

std::optional<QString> QtFileDialogs::ChooseSaveFile(const QString& currentFile) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!currentFile.isEmpty()) {
        dialog.selectFile(currentFile);
    }
    return Run(dialog);
}

std::optional<QString> QtFileDialogs::ChooseImageFile() {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("PNG 画像 (*.png)"), QStringLiteral("PDF (*.pdf)")});
    dialog.setDefaultSuffix(QStringLiteral("png"));
    // The suffix follows the chosen filter, so "PDF" with a bare name gives a PDF.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(f.contains(QStringLiteral("pdf")) ? QStringLiteral("pdf")
                                                                  : QStringLiteral("png"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}
