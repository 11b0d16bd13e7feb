#include "app/quit_signals.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>

namespace {

struct ProbeResult {
    QProcess::ExitStatus status;
    int code;
};

// The probe runs from a copy in the test's folder, so its dump lands there.
QString copyProbe(const QString &folder)
{
    const QString probe = folder + QStringLiteral("/crash_probe");
    return QFile::copy(QStringLiteral(CRASH_PROBE_PATH), probe) ? probe : QString();
}

// Every per-user folder points into the test's own, so nothing lands in the real home.
ProbeResult runProbe(const QString &probe, const QString &mode, const QString &stateHome)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
        environment.insert(QLatin1String(variable), stateHome);
    process.setProcessEnvironment(environment);
    process.start(probe, {mode});
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus(), process.exitCode()};
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
        const QString probe = copyProbe(folder.path());
        QVERIFY(!probe.isEmpty());

        const ProbeResult segv = runProbe(probe, QStringLiteral("segv"), folder.path());
        QCOMPARE(segv.status, QProcess::CrashExit);
        QCOMPARE(segv.code, SIGSEGV);
        const QByteArray first = readDump(folder.path());
        QVERIFY2(first.contains("signal: 11 (SIGSEGV)"), first.constData());
        QVERIFY2(first.contains("address: 0x0\n"), first.constData());
        QVERIFY(first.contains("backtrace:\n"));
        QVERIFY2(first.contains("crash_probe("), first.constData());

        const ProbeResult abort = runProbe(probe, QStringLiteral("abort"), folder.path());
        QCOMPARE(abort.status, QProcess::CrashExit);
        QCOMPARE(abort.code, SIGABRT);
        const QByteArray second = readDump(folder.path());
        QVERIFY2(second.contains("signal: 6 (SIGABRT)"), second.constData());
        QVERIFY(!second.contains("SIGSEGV"));
        QVERIFY(second.contains("address: none"));
        QVERIFY(second.contains("abort"));
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("vesk-crash*")}, QDir::Files).size(), 1);

        // A stack overflow on a thread other than the one that installed the handler.
        const ProbeResult overflow = runProbe(probe, QStringLiteral("overflow-thread"), folder.path());
        QCOMPARE(overflow.status, QProcess::CrashExit);
        QCOMPARE(overflow.code, SIGSEGV);
        const QByteArray third = readDump(folder.path());
        QVERIFY2(third.contains("signal: 11 (SIGSEGV)"), third.constData());
    }

    // A read-only folder sends the report to the user's state folder; with that unwritable too
    // there is no report, and still a quiet end by the signal.
    void readOnlyFolderReportsInUserStateOrNowhere()
    {
        QTemporaryDir folder;
        const QString probe = copyProbe(folder.path());
        QVERIFY(!probe.isEmpty());
        const QString state = folder.filePath(QStringLiteral("state"));
        QVERIFY(QDir().mkpath(state));
        // The probe drops to user nobody when run by root, who must still reach these folders.
        const auto open = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                          | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(state, open | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
        const QFile::Permissions writable = QFile::permissions(folder.path());
        QVERIFY(QFile::setPermissions(folder.path(), open));

        const ProbeResult reported = runProbe(probe, QStringLiteral("segv-unprivileged"), state);
        const ProbeResult unreported = runProbe(probe, QStringLiteral("segv-unprivileged"), folder.path());
        QFile::setPermissions(folder.path(), writable);
        QCOMPARE(reported.status, QProcess::CrashExit);
        QCOMPARE(reported.code, SIGSEGV);
        QVERIFY(readDump(state + QStringLiteral("/VESK")).contains("signal: 11 (SIGSEGV)"));
        QCOMPARE(unreported.status, QProcess::CrashExit);
        QCOMPARE(unreported.code, SIGSEGV);
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

QTEST_GUILESS_MAIN(CrashDumpTest)
#include "crash_dump_test.moc"
