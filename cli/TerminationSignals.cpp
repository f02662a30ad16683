#include "TerminationSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/signalfd.h>
#include <unistd.h>
#include <csignal>
#endif

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
#ifdef Q_OS_LINUX
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) {
        return;
    }
    fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) {
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Read);
#endif
}

TerminationSignals::~TerminationSignals() {
#ifdef Q_OS_LINUX
    // The signals stay blocked: unblocked, one still pending would kill the process on its way
    // out.
    if (fd_ >= 0) {
        delete notifier_;
        ::close(fd_);
    }
#endif
}

void TerminationSignals::Read() {
#ifdef Q_OS_LINUX
    signalfd_siginfo info;
    while (::read(fd_, &info, sizeof info) == ssize_t(sizeof info)) {
        emit Received(int(info.ssi_signo));
    }
#endif
}
