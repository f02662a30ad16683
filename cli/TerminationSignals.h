#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT delivered as a Qt signal on the thread that made this object: the two are
// blocked and read from a signalfd by the event loop, so no code runs inside a signal handler.
// Make it before any other thread starts, since threads inherit the blocked set. On Windows the
// console's events arrive the same way: Ctrl+C as SIGINT, Ctrl+Break as SIGBREAK, the console
// closed, log-off and shutdown as SIGTERM (the process then ends once this object is destroyed).
// Elsewhere the signals keep their default action.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void Received(int signalNumber);

private:
    void Read();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
