#include "ChartImage.h"

#include "AtomicFile.h"
#include "UserError.h"

#include <qcustomplot.h>
#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>

namespace {

QByteArray PngBytes(QCustomPlot& chart) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(chart.toPixmap(chart.width(), chart.height()).toImage())) {
        throw UserError(writer.errorString());
    }
    return bytes;
}

// QCustomPlot writes a PDF only to a named file; it is made aside and then put in place.
QByteArray PdfBytes(QCustomPlot& chart) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chart.pdf"));
    if (!dir.isValid() || !chart.savePdf(path, chart.width(), chart.height())) {
        throw UserError(QStringLiteral("PDF を作れません"));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw UserError(file.errorString());
    }
    return file.readAll();
}

}  // namespace

void SaveChartImage(QCustomPlot& chart, const QString& path) {
    QByteArray bytes;
    try {
        bytes = path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ? PdfBytes(chart)
                                                                           : PngBytes(chart);
    } catch (const UserError& e) {
        ThrowCannotCreate(path, e.Text());
    }
    WriteFileOrThrow(path, bytes);
}
