// POSIX signals: the handler only notes the signal and writes a byte to a socket pair, which the
// event loop reads.
#include "Termination.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t pending = 0;

void OnSignal(int) {
    pending = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
}

void Handle(int signalNumber, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signalNumber, &action, nullptr);
}

void Default() {
    Handle(SIGTERM, SIG_DFL);
    Handle(SIGINT, SIG_DFL);
}

}  // namespace

bool Termination::Pending() {
    return pending != 0;
}

Termination::Termination(QObject* parent) : QObject(parent) {
    pending = 0;
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return;
    }
    notifier_ = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &Termination::OnNotice);
    Handle(SIGTERM, OnSignal);
    Handle(SIGINT, OnSignal);
}

Termination::~Termination() {
    pending = 0;
    if (notifier_) {
        Default();
    }
}

void Termination::OnNotice() {
    char byte;
    [[maybe_unused]] const ssize_t n = ::read(signalPipe[1], &byte, 1);
    Request();
}

void Termination::Request() {
    if (requested_) {
        return;
    }
    requested_ = true;
    // One orderly end; a second signal while it runs ends the process at once.
    if (notifier_) {
        Default();
    }
    emit Requested();
}
