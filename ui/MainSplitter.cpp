#include "MainSplitter.h"

#include "ChartPane.h"
#include "LogView.h"

namespace {

constexpr int kLogHeight = 64;
constexpr int kLogMinimumHeight = 20;
constexpr int kBarHeight = 3;

}  // namespace

MainSplitter::MainSplitter(DisplayModel& display, const SampleLog& log, QWidget* parent)
    : QSplitter(Qt::Vertical, parent),
      pane_(new ChartPane(display, log, this)),
      log_(new LogView(display, this)) {
    setObjectName(QStringLiteral("Splitter"));
    setHandleWidth(kBarHeight);
    setChildrenCollapsible(false);
    log_->setMinimumHeight(kLogMinimumHeight);
    connect(log_, &LogView::LineClicked, pane_, &ChartPane::ShowLogLine);
    addWidget(pane_);
    addWidget(log_);
    setStretchFactor(0, 1);
    setStretchFactor(1, 0);
    setSizes({kClientHeight - kLogHeight - kBarHeight, kLogHeight});
}
