// The console's events on Windows: Ctrl+C, Ctrl+Break, the console window closed, log-off and
// shutdown. The system calls the handler on a thread of its own; the event is handed to the
// event loop. For the last three the system ends the process as soon as the handler returns, so
// the handler waits (up to the system's grace of about five seconds) until the Termination is
// gone, that is until the program has saved what it saves and is ending. The window's own
// session end arrives as a window message and comes through Request().
#include "Termination.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <windows.h>

namespace {

std::mutex mutex;
std::condition_variable ended;
Termination* current = nullptr;
std::atomic<bool> pending{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    std::unique_lock lock(mutex);
    if (current == nullptr) {
        return FALSE;
    }
    pending.store(true);
    Termination* target = current;
    QMetaObject::invokeMethod(target, [target] { target->Request(); }, Qt::QueuedConnection);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    ended.wait_for(lock, std::chrono::milliseconds(4500), [] { return current == nullptr; });
    return TRUE;
}

}  // namespace

bool Termination::Pending() {
    return pending.load();
}

Termination::Termination(QObject* parent) : QObject(parent) {
    std::lock_guard lock(mutex);
    pending.store(false);
    current = this;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

Termination::~Termination() {
    {
        std::lock_guard lock(mutex);
        current = nullptr;
        pending.store(false);
    }
    ended.notify_all();
}

void Termination::OnNotice() {}

void Termination::Request() {
    if (requested_) {
        return;
    }
    requested_ = true;
    pending.store(true);
    emit Requested();
}
