#include "MainSplitter.h"

#include "ChartPane.h"
#include "LogView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

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

void MainSplitter::SizeWindow(QMainWindow& window) {
    // Menu and status bar come on top of the client area, as high as they are once styled and
    // laid out with their texts (the status bar lays itself out only when asked, else it
    // reports a pixel less than it will take).
    window.ensurePolished();
    QEvent layoutRequest(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(window.statusBar(), &layoutRequest);
    window.resize(kClientWidth, kClientHeight + window.menuBar()->sizeHint().height() +
                                    window.statusBar()->sizeHint().height());
}
