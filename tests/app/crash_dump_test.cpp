#include "app/crash_handler.h"
#include "app/quit_signals.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

// Started with VESK_CRASH_AS set, this program is its own probe: it installs the real crash
// handler and dies as asked. The tests run copies of it from their own folders, where the
// reports land.
namespace {

// The counter keeps the recursion finite in the compiler's eyes, so it is neither warned
// about nor optimised into a loop.
unsigned overflowStack(volatile unsigned *depth)
{
    volatile char frame[4096];
    frame[0] = 1;
    return ++*depth == 0 ? 0 : overflowStack(depth) + unsigned(frame[0]);
}

int crashAs(const QByteArray &mode)
{
    // Root gives up its rights first, so that a read-only folder really is read-only to the handler.
    constexpr gid_t nogroup = 65534;
    constexpr uid_t nobody = 65534;
    if (mode == "segv-unprivileged" && geteuid() == 0 && (setgid(nogroup) != 0 || setuid(nobody) != 0))
        return 3;
    installCrashHandler();
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (mode.startsWith("segv")) {
        volatile int *volatile target = nullptr;
        *target = 1;
    }
    if (mode == "abort")
        std::abort();
    if (mode == "overflow-thread") {
        std::thread([] {
            prepareThreadForCrashReports();
            volatile unsigned depth = 0;
            overflowStack(&depth);
        }).join();
    }
    return 2;
}

// Runs a copy of this program in `folder` with every per-user folder at `home`; returns the
// signal that ended it, or -1 for any other end.
int runProbe(const QString &folder, const QString &mode, const QString &home)
{
    const QString probe = folder + QStringLiteral("/crash_probe");
    if (!QFile::exists(probe) && !QFile::copy(QCoreApplication::applicationFilePath(), probe))
        return -1;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
        environment.insert(QLatin1String(variable), home);
    environment.insert(QStringLiteral("VESK_CRASH_AS"), mode);
    process.setProcessEnvironment(environment);
    process.start(probe, {});
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::CrashExit ? process.exitCode() : -1;
}

QByteArray readDump(const QString &folder)
{
    QFile file(folder + QStringLiteral("/vesk-crash.dmp"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CrashDumpTest : public QObject {
    Q_OBJECT

private slots:
    void crashLeavesReportThatNextCrashOverwrites()
    {
        QTemporaryDir folder;
        const QString where = folder.path();
        const struct { const char *mode; int signal; QList<const char *> parts; } crashes[] = {
            {"segv", SIGSEGV, {"signal: 11 (SIGSEGV)", "address: 0x0\n", "backtrace:\n", "crash_probe("}},
            {"abort", SIGABRT, {"signal: 6 (SIGABRT)", "address: none", "abort"}},
            // A stack overflow on a thread other than the one that installed the handler.
            {"overflow-thread", SIGSEGV, {"signal: 11 (SIGSEGV)"}},
        };
        for (const auto &crash : crashes) {
            QCOMPARE(runProbe(where, QString::fromLatin1(crash.mode), where), crash.signal);
            const QByteArray dump = readDump(where);
            for (const char *part : crash.parts)
                QVERIFY2(dump.contains(part), dump.constData());
            QVERIFY(dump.count("signal: ") == 1);
        }
        QCOMPARE(QDir(where).entryList({QStringLiteral("vesk-crash*")}, QDir::Files).size(), 1);
    }

    // A read-only folder sends the report to the user's state folder; with that unwritable too
    // there is no report, and still a quiet end by the signal.
    void readOnlyFolderReportsInUserStateOrNowhere()
    {
        QTemporaryDir folder;
        const QString where = folder.path(), state = folder.filePath(QStringLiteral("state"));
        QVERIFY(QDir().mkpath(state));
        // The probe runs as user nobody when the test runs as root, who must still reach these folders.
        const auto open = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                          | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(state, open | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), where + QStringLiteral("/crash_probe")));
        const QFile::Permissions writable = QFile::permissions(where);
        QVERIFY(QFile::setPermissions(where, open));
        const int reported = runProbe(where, QStringLiteral("segv-unprivileged"), state);
        const int unreported = runProbe(where, QStringLiteral("segv-unprivileged"), where);
        QFile::setPermissions(where, writable);

        QCOMPARE(std::pair(reported, unreported), std::pair(int(SIGSEGV), int(SIGSEGV)));
        QVERIFY(readDump(state + QStringLiteral("/VESK")).contains("signal: 11 (SIGSEGV)"));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("vesk-crash.dmp"))));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("VESK"))));
    }

    // The polite end request's handler interrupts arbitrary code, whose errno it must keep.
    void quitRequestLeavesErrnoAlone()
    {
        quitOnTerminationRequest();
        // A burst nobody reads fills the wake-up socket, so the handler's write fails.
        for (int i = 0; i < 20000; ++i)
            std::raise(SIGTERM);
        errno = 0;
        std::raise(SIGTERM);
        QCOMPARE(errno, 0);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray mode = qgetenv("VESK_CRASH_AS");
    if (!mode.isEmpty())
        return crashAs(mode);
    CrashDumpTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "crash_dump_test.moc"
