#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <thread>

#include <sys/types.h>

// Kills a process in the middle of saving, hundreds of times: each settings file must hold
// one complete version, old or new, and nothing may be left behind to pile up.
namespace {

constexpr int kKills = 300;

const QStringList kFiles{QStringLiteral("config4k.txt"), QStringLiteral("config1k.txt"), QStringLiteral("focus.txt")};

QString childDir()
{
    return QFileInfo(QStringLiteral(VESK_SAVE_LOOP_CHILD)).absolutePath();
}

QByteArray readConfig(const QString &name)
{
    QFile file(childDir() + QStringLiteral("/config/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class KillDuringSaveTest : public QObject {
    Q_OBJECT

private slots:
    void everyFileIsCompleteAfterAnyKill()
    {
        QDir(childDir() + QStringLiteral("/config")).removeRecursively();
        QProcess zygote;
        zygote.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        zygote.start(QStringLiteral(VESK_SAVE_LOOP_CHILD), {});
        QVERIFY2(zygote.waitForStarted(10000), qPrintable(zygote.errorString()));
        const auto readLine = [&zygote](const QByteArray &prefix) {
            QElapsedTimer wait;
            wait.start();
            while (!zygote.canReadLine() && wait.elapsed() < 60000 && zygote.state() == QProcess::Running)
                zygote.waitForReadyRead(100);
            const QByteArray line = zygote.readLine().trimmed();
            return line.startsWith(prefix) ? line.mid(prefix.size()) : QByteArray("<unexpected: " + line + ">");
        };

        QList<QByteArrayList> versions;
        for (const char *tag : {"first ", "second "}) {
            QByteArrayList files = readLine(tag).split(' ');
            QCOMPARE(files.size(), kFiles.size());
            for (QByteArray &f : files)
                f = QByteArray::fromHex(f);
            versions << files;
        }
        QCOMPARE(readLine("ready"), QByteArray());
        for (int f = 0; f < kFiles.size(); ++f) {
            QVERIFY(versions[0][f].endsWith('\n'));
            QVERIFY2(versions[0][f] != versions[1][f], qPrintable(kFiles[f]));
        }
        QCOMPARE(versions[0][0].split(' ').size(), 29);
        QCOMPARE(versions[0][1].split(' ').size(), 16);

        QRandomGenerator rng(7);
        int interruptedWrites = 0;
        int mostLeftovers = 0;
        int changes = 0;
        QByteArray previous;
        QElapsedTimer clock;
        clock.start();
        for (int kill = 0; kill < kKills; ++kill) {
            // Start with the set-up the files do not hold, so that every kill can tear something.
            zygote.write(readConfig(kFiles[0]) == versions[0][0] ? "fork B\n" : "fork A\n");
            bool ok = false;
            const pid_t pid = pid_t(readLine("child ").toInt(&ok));
            QVERIFY2(ok && pid > 0, "the saving copy did not start");
            std::this_thread::sleep_for(std::chrono::microseconds(rng.bounded(0, 60000)));
            QCOMPARE(::kill(pid, SIGKILL), 0);
            QCOMPARE(readLine("reaped "), QByteArray::number(SIGKILL));

            for (int f = 0; f < kFiles.size(); ++f) {
                const QByteArray now = readConfig(kFiles[f]);
                if (now != versions[0][f] && now != versions[1][f])
                    QFAIL(qPrintable(QStringLiteral("kill %1 tore %2: %3").arg(kill).arg(kFiles[f], QString::fromLatin1(now.toPercentEncoding()))));
            }
            const QByteArray all = readConfig(kFiles[0]) + readConfig(kFiles[1]) + readConfig(kFiles[2]);
            changes += all != previous ? 1 : 0;
            previous = all;
            // A file beside the three is a write the kill cut short; the next save sweeps it.
            const qsizetype leftovers = QDir(childDir() + QStringLiteral("/config")).entryList(QDir::Files | QDir::Hidden).size() - kFiles.size();
            interruptedWrites += leftovers > 0 ? 1 : 0;
            mostLeftovers = qMax(mostLeftovers, int(leftovers));
        }
        zygote.closeWriteChannel();
        QVERIFY(zygote.waitForFinished(10000));

        QVERIFY2(mostLeftovers <= kFiles.size(), qPrintable(QString::number(mostLeftovers)));
        QVERIFY2(changes > kKills / 10, "too few kills came after a completed save to prove anything");
        qInfo("%d kills survived in %lld ms; %d found the files changed since the kill before, %d left "
              "an abandoned temporary file (at most %d at once)",
              kKills, clock.elapsed(), changes, interruptedWrites, mostLeftovers);
    }
};

QTEST_GUILESS_MAIN(KillDuringSaveTest)
#include "kill_during_save_test.moc"
