#include "app/crash_handler.h"

#include "app/file_locations.h"

#include <QFile>

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int maxFrames = 64;

// Everything the handler touches is prepared at install time: a crashing process
// may have a corrupt heap, so the handler must not allocate or call into Qt.
char dumpPath[4096];
std::atomic_flag handling = ATOMIC_FLAG_INIT;

// An overflowed stack leaves no room to run the handler, and the alternate stack that takes
// its place is per thread: each thread needs its own.
class ThreadCrashStack {
public:
    // Short of memory the thread runs without one rather than not at all.
    ThreadCrashStack() : memory(new (std::nothrow) char[size])
    {
        if (!memory)
            return;
        stack_t stack {};
        stack.ss_sp = memory.get();
        stack.ss_size = size;
        installed = sigaltstack(&stack, &previous) == 0;
    }

    // A runtime that gave the thread a stack of its own (a sanitizer) frees that one itself.
    ~ThreadCrashStack()
    {
        if (installed)
            sigaltstack(&previous, nullptr);
    }

    ThreadCrashStack(const ThreadCrashStack &) = delete;
    ThreadCrashStack &operator=(const ThreadCrashStack &) = delete;

private:
    static constexpr std::size_t size = 64 * 1024;
    std::unique_ptr<char[]> memory;
    stack_t previous {};
    bool installed = false;
};

void writeText(int fd, const char *text)
{
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = write(fd, text, left);
        if (written <= 0)
            return;
        text += written;
        left -= static_cast<size_t>(written);
    }
}

// snprintf is not async-signal-safe, so numbers are formatted by hand.
void writeNumber(int fd, unsigned long long value, unsigned base)
{
    char digits[32];
    int pos = sizeof digits - 1;
    digits[pos] = '\0';
    do {
        digits[--pos] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0 && pos > 0);
    writeText(fd, digits + pos);
}

const char *signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

void writeReport(int signalNumber, const siginfo_t *info)
{
    const int fd = open(dumpPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    writeText(fd, "VESK crash report\nsignal: ");
    writeNumber(fd, static_cast<unsigned>(signalNumber), 10);
    writeText(fd, " (");
    writeText(fd, signalName(signalNumber));
    // Only a fault the kernel reports carries an address; for abort() the field holds a process id.
    if (info->si_code > 0) {
        writeText(fd, ")\naddress: 0x");
        writeNumber(fd, reinterpret_cast<unsigned long long>(info->si_addr), 16);
    } else {
        writeText(fd, ")\naddress: none, raised by the process");
    }
    writeText(fd, "\nbacktrace:\n");
    void *frames[maxFrames];
    const int count = backtrace(frames, maxFrames);
    backtrace_symbols_fd(frames, count, fd);
    close(fd);
}

void handleFatalSignal(int signalNumber, siginfo_t *info, void *)
{
    // A second thread that faults meanwhile waits for the first to end the process,
    // so the first report is written whole.
    if (handling.test_and_set()) {
        for (;;)
            pause();
    }
    if (dumpPath[0] != '\0')
        writeReport(signalNumber, info);
    // The default action ends the process the way it would have ended without us.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

} // namespace

void installCrashHandler()
{
    const QByteArray path = QFile::encodeName(fileLocations().crashDumpFile);
    if (static_cast<size_t>(path.size()) < sizeof dumpPath)
        std::memcpy(dumpPath, path.constData(), static_cast<size_t>(path.size()) + 1);

    // The first backtrace call loads libgcc's unwinder, which must not happen inside the handler.
    void *frames[1];
    backtrace(frames, 1);

    prepareThreadForCrashReports();

    struct sigaction action {};
    action.sa_sigaction = handleFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // A fault inside the handler itself then kills the process instead of re-entering it.
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : fatalSignals)
        sigaddset(&action.sa_mask, signalNumber);
    for (const int signalNumber : fatalSignals)
        sigaction(signalNumber, &action, nullptr);
}

void prepareThreadForCrashReports()
{
    thread_local ThreadCrashStack stack;
}
