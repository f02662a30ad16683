#pragma once

#include <QString>

class QCustomPlot;

// Saves what the chart shows, at its size on screen: as PDF when path ends in ".pdf" (any
// letter case), otherwise as PNG. The file is replaced all or nothing. Throws a
// FileFailure with a Write error when it cannot be made or written.
void SaveChartImage(QCustomPlot& chart, const QString& path);
