#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

// Closes a window when the process gets SIGTERM or SIGINT, exactly as its close button would,
// so a logger stopped by the system still saves its settings and its log: open modal windows
// are closed as by their close box, then the window, and every running event loop ends. A
// second signal during that shutdown ends the process at once. The signals are POSIX ones; on
// Windows the session's end calls Close() instead.
class SignalClose final : public QObject {
    Q_OBJECT

public:
    explicit SignalClose(QWidget* window);
    ~SignalClose() override;

    // Closes everything as a signal does; a second call does nothing. Errors while closing go to
    // stderr, since nobody may be there to answer a box.
    void Close();

    // True once a signal (or Close) asked the window to close.
    bool Signalled() const { return signalled_; }
    // True from the moment a signal arrives, before the event loop has seen it: long work on
    // the GUI thread (reading a large file) asks this between pieces and gives up.
    static bool Pending();

private:
    void OnSignal();

    QWidget* window_;
    QSocketNotifier* notifier_ = nullptr;
    bool signalled_ = false;
};
