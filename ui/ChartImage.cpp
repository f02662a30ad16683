#include "ChartImage.h"

#include "AtomicFile.h"

#include <qcustomplot.h>
#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>

namespace {

// The image could not be made for the file at path.
[[noreturn]] void ThrowNotMade(const QString& path, FileError::Code why, const QString& reason) {
    throw FileFailure({FileError::Operation::Write, why, path, reason, 0});
}

QByteArray PngBytes(QCustomPlot& chart, const QString& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(chart.toPixmap(chart.width(), chart.height()).toImage())) {
        ThrowNotMade(path, FileError::Code::System, writer.errorString());
    }
    return bytes;
}

// QCustomPlot writes a PDF only to a named file; it is made aside and then put in place.
QByteArray PdfBytes(QCustomPlot& chart, const QString& path) {
    QTemporaryDir dir;
    const QString aside = dir.filePath(QStringLiteral("chart.pdf"));
    if (!dir.isValid() || !chart.savePdf(aside, chart.width(), chart.height())) {
        ThrowNotMade(path, FileError::Code::NoPdf, {});
    }
    QFile file(aside);
    if (!file.open(QIODevice::ReadOnly)) {
        ThrowNotMade(path, FileError::Code::System, file.errorString());
    }
    return file.readAll();
}

}  // namespace

void SaveChartImage(QCustomPlot& chart, const QString& path) {
    const bool pdf = path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
    WriteFileOrThrow(path, pdf ? PdfBytes(chart, path) : PngBytes(chart, path));
}
