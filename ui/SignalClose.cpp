#include "SignalClose.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

void SignalClose::Close() {
    if (signalled_) {
        return;
    }
    signalled_ = true;
    // Modal windows (an error box, the settings dialog, a file dialog) go first, as their close
    // box would make them go; otherwise their loops would keep the process alive.
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            break;
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    }
    window_->close();
    // The main loop ends even where closing the window does not end it (it was hidden already,
    // or another window is still shown); loops inside it end with it.
    QCoreApplication::quit();
}

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t pending = 0;

// Only async-signal-safe work here: note the signal and wake the event loop through the pipe.
void OnPosixSignal(int) {
    pending = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
}

}  // namespace

bool SignalClose::Pending() {
    return pending != 0;
}

SignalClose::SignalClose(QWidget* window) : QObject(window), window_(window) {
    pending = 0;
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return;
    }
    notifier_ = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalClose::OnSignal);
    struct sigaction action = {};
    action.sa_handler = OnPosixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

SignalClose::~SignalClose() {
    pending = 0;
    if (notifier_) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
    }
}

void SignalClose::OnSignal() {
    char byte;
    [[maybe_unused]] const ssize_t n = ::read(signalPipe[1], &byte, 1);
    if (signalled_) {
        return;
    }
    // One orderly shutdown; a second signal while it runs ends the process at once.
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    Close();
}

#else

SignalClose::SignalClose(QWidget* window) : QObject(window), window_(window) {}
SignalClose::~SignalClose() = default;
void SignalClose::OnSignal() {}
bool SignalClose::Pending() {
    return false;
}

#endif
