// Installs the program's crash handler, then dies the way argv[1] asks:
// "segv" writes through a null pointer, "abort" aborts, "segv-unprivileged"
// first gives up root, before the handler decides where its report goes, so that
// a read-only directory really is read-only.
#include "app/crash_handler.h"

#include <QCoreApplication>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

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
    return 2;
}
