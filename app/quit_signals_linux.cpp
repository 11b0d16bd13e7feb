#include "app/quit_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only write a byte; the event loop reads it and quits.
int wakeSockets[2] = {-1, -1};

void handleQuitSignal(int)
{
    // The interrupted code may be about to read errno; a failed write must not change it.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wakeSockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

void quitOnTerminationRequest()
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeSockets) != 0)
        return;
    // A burst of signals must never block the handler on a full socket.
    fcntl(wakeSockets[0], F_SETFL, O_NONBLOCK);

    auto *notifier = new QSocketNotifier(wakeSockets[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte;
        [[maybe_unused]] const ssize_t got = read(wakeSockets[1], &byte, 1);
        QCoreApplication::quit();
    });

    struct sigaction action {};
    action.sa_handler = handleQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
