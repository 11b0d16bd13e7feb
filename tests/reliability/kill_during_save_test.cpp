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

constexpr int kKills = 200;

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
        QRandomGenerator rng(7);
        QList<QByteArrayList> versions;
        int killedWhileSaving = 0;
        QElapsedTimer clock;
        clock.start();

        for (int kill = 0; kill < kKills; ++kill) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QStringLiteral(VESK_SAVE_LOOP_CHILD), {});
            QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));
            QByteArray output;
            QElapsedTimer wait;
            wait.start();
            while (!output.contains("ready\n") && wait.elapsed() < 20000 && child.state() == QProcess::Running) {
                child.waitForReadyRead(100);
                output += child.readAllStandardOutput();
            }
            QVERIFY2(output.contains("ready\n"), output.constData());

            if (versions.isEmpty()) {
                for (const QByteArray &line : output.split('\n')) {
                    if (line.startsWith("first ") || line.startsWith("second ")) {
                        QByteArrayList files = line.split(' ').mid(1);
                        for (QByteArray &f : files)
                            f = QByteArray::fromHex(f);
                        versions << files;
                    }
                }
                QCOMPARE(versions.size(), 2);
                for (int f = 0; f < kFiles.size(); ++f) {
                    QVERIFY(versions[0][f].endsWith('\n'));
                    QVERIFY2(versions[0][f] != versions[1][f], qPrintable(kFiles[f]));
                }
                QCOMPARE(versions[0][0].split(' ').size(), 29);
                QCOMPARE(versions[0][1].split(' ').size(), 16);
            }

            std::this_thread::sleep_for(std::chrono::microseconds(rng.bounded(20000)));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            bool sawSecond = false;
            for (int f = 0; f < kFiles.size(); ++f) {
                const QByteArray now = readConfig(kFiles[f]);
                if (now != versions[0][f] && now != versions[1][f])
                    QFAIL(qPrintable(QStringLiteral("kill %1 tore %2: %3").arg(kill).arg(kFiles[f], QString::fromLatin1(now.toPercentEncoding()))));
                sawSecond = sawSecond || now == versions[1][f];
            }
            killedWhileSaving += sawSecond ? 1 : 0;
        }

        // Whatever a kill left half-written must not accumulate beside the settings.
        const QStringList left = QDir(childDir() + QStringLiteral("/config")).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.size() <= kFiles.size() + 3, qPrintable(left.join(QLatin1Char(' '))));
        qInfo("%d kills survived in %lld ms, %d of them after a later save had begun; %lld files left in config/",
              kKills, clock.elapsed(), killedWhileSaving, qlonglong(left.size()));
    }
};

QTEST_GUILESS_MAIN(KillDuringSaveTest)
#include "kill_during_save_test.moc"
