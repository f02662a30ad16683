// The console's end on Windows: Ctrl+C, Ctrl+Break, the console window being closed, log-off and
// shutdown. The system calls the handler on a thread of its own; the event is handed to the
// event loop as Received. For the last three the system ends the process as soon as the handler
// returns, so the handler waits (up to the system's grace of about five seconds) until this
// object is gone, that is until the logger has written its last minute and RunLog is ending.
#include "TerminationSignals.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>

#include <windows.h>

namespace {

std::mutex mutex;
std::condition_variable ended;
TerminationSignals* current = nullptr;

int SignalNumberOf(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
            return SIGINT;
        case CTRL_BREAK_EVENT:
            return SIGBREAK;
        default:
            return SIGTERM;
    }
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    std::unique_lock lock(mutex);
    if (current == nullptr) {
        return FALSE;
    }
    const int number = SignalNumberOf(event);
    TerminationSignals* target = current;
    QMetaObject::invokeMethod(
        target, [target, number] { emit target->Received(number); }, Qt::QueuedConnection);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    ended.wait_for(lock, std::chrono::milliseconds(4500), [] { return current == nullptr; });
    return TRUE;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    std::lock_guard lock(mutex);
    current = this;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TerminationSignals::~TerminationSignals() {
    {
        std::lock_guard lock(mutex);
        current = nullptr;
    }
    ended.notify_all();
}

void TerminationSignals::Read() {}
