// Loaded into the tests when they run under qemu-user. Its Linux emulation (7.2, Debian 12's)
// answers the pidfd probe waitid(P_PIDFD, ...) as a kernel that has pidfds, then refuses the
// clone(CLONE_PIDFD) that follows with EINVAL, so every QProcess start fails. Answering the
// probe as an older kernel would makes Qt start processes the classic way, with fork.
#include <dlfcn.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>

#ifndef P_PIDFD
#define P_PIDFD 3
#endif

extern "C" long syscall(long number, ...) {
    va_list list;
    va_start(list, number);
    long a[6];
    for (int i = 0; i < 6; ++i) {
        a[i] = va_arg(list, long);
    }
    va_end(list);
    if (number == SYS_waitid && a[0] == P_PIDFD) {
        errno = EINVAL;
        return -1;
    }
    using Syscall = long (*)(long, ...);
    static const auto next = reinterpret_cast<Syscall>(dlsym(RTLD_NEXT, "syscall"));
    return next(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

// The programs the tests start on this machine (mosquitto, openssl) are not the target's: they
// must not be asked to load this library. Emulated ones get it from the emulator's options.
__attribute__((constructor)) static void ForgetPreload() {
    unsetenv("LD_PRELOAD");
}
