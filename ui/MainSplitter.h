#pragma once

#include <QSplitter>

class QMainWindow;

class ChartPane;
class DisplayModel;
class LogView;
class SampleLog;

// The main window's client area: the chart with its overview strip on top, the log pane below
// it (64 pixels high at first, never less than 20), and between them a bar 3 pixels high that
// the user drags. A click on a line of the pane shows that minute in the chart.
class MainSplitter final : public QSplitter {
    Q_OBJECT

public:
    static constexpr int kClientHeight = 377;
    static constexpr int kClientWidth = 572;

    // Sizes window so that its client area, the splitter, has the described size below the
    // menu and above the status bar.
    static void SizeWindow(QMainWindow& window);

    MainSplitter(DisplayModel& display, const SampleLog& log, QWidget* parent = nullptr);

    ChartPane* Pane() const { return pane_; }
    LogView* Log() const { return log_; }

private:
    ChartPane* pane_;
    LogView* log_;
};
