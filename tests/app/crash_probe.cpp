// Installs the program's crash handler, then dies the way argv[1] asks:
// "segv" writes through a null pointer, "abort" aborts, "segv-unprivileged"
// first gives up root, before the handler decides where its report goes, so that
// a read-only directory really is read-only, "overflow-thread" overflows the stack
// of a thread started as VESK starts its own.
#include "app/crash_handler.h"

#include <QCoreApplication>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// Deep enough to overflow any thread's stack; the counter keeps the recursion finite in
// the compiler's eyes, so it is neither warned about nor optimised into a loop.
unsigned overflowStack(volatile unsigned *depth)
{
    volatile char frame[4096];
    frame[0] = 1;
    if (++*depth == 0)
        return 0;
    return overflowStack(depth) + unsigned(frame[0]);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const char *mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "segv-unprivileged") == 0 && geteuid() == 0) {
        constexpr gid_t nogroup = 65534;
        constexpr uid_t nobody = 65534;
        if (setgid(nogroup) != 0 || setuid(nobody) != 0)
            return 3;
    }
    installCrashHandler();

    // The test wants our report, not a core file in its temporary folder.
    const rlimit noCore {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (std::strncmp(mode, "segv", 4) == 0) {
        volatile int *volatile target = nullptr;
        *target = 1;
    }
    if (std::strcmp(mode, "abort") == 0)
        std::abort();
    if (std::strcmp(mode, "overflow-thread") == 0) {
        std::thread([] {
            prepareThreadForCrashReports();
            volatile unsigned depth = 0;
            overflowStack(&depth);
        }).join();
    }
    return 2;
}
