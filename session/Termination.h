#pragma once

#include <QObject>

class QSocketNotifier;

// The program is asked to end: SIGTERM or SIGINT (POSIX); Ctrl+C, Ctrl+Break, the console
// closed, log-off or shutdown (Windows console); or the Windows desktop session's end, which the
// window hands over through Request(). Every one becomes the same notice, Requested, on the event
// loop of the thread that made this object, once; no code of ours runs inside a signal handler
// beyond noting the signal. A second signal while the program ends ends it at once. Make one per
// process, on the main thread, and keep it until the program has saved what it saves: on Windows
// the system ends a process that was closed, logged off or shut down as soon as this object is
// gone.
class Termination final : public QObject {
    Q_OBJECT

public:
    explicit Termination(QObject* parent = nullptr);
    ~Termination() override;

    // Asks as a signal does, now and on this thread: Requested is emitted before this returns.
    // For the Windows session's end, which must be handled before the window procedure
    // answers. A second call does nothing.
    void Request();
    // True once the program was asked to end.
    bool WasRequested() const { return requested_; }
    // True from the moment a signal arrives, before the event loop has seen it: long work on
    // the main thread (reading a large file) asks this between pieces and gives up.
    static bool Pending();

signals:
    void Requested();

private:
    void OnNotice();

    QSocketNotifier* notifier_ = nullptr;
    bool requested_ = false;
};
