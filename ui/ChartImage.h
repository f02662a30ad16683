#pragma once

#include <QString>

class QCustomPlot;

// Saves what the chart shows, at its size on screen: as PDF when path ends in ".pdf" (any
// letter case), otherwise as PNG. The file is replaced all or nothing. Throws UserError
// "ファイル "%s" を作成できません。%s" when it cannot be written.
void SaveChartImage(QCustomPlot& chart, const QString& path);
