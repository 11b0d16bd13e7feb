#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "tests/support/message_recorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <csignal>
#include <thread>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// Kills a copy of the window in the middle of saving, hundreds of times: each settings file
// must hold one complete version, old or new, and nothing may be left behind to pile up.
namespace {

const QStringList kFiles{QStringLiteral("config4k.txt"), QStringLiteral("config1k.txt"), QStringLiteral("focus.txt")};

QString configDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/config/");
}

QByteArrayList readFiles()
{
    QByteArrayList contents;
    for (const QString &name : kFiles) {
        QFile file(configDir() + name);
        contents << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>"));
    }
    return contents;
}

// Two set-ups whose files differ in length, so that a torn write cannot pass for either.
void saveSetup(MainWindowTestAccess &a, bool second)
{
    for (std::size_t i = 0; i < 3; ++i)
        a.circleRadiusSliders()[i]->setValue(second ? 1200 + int(i) : 100 + int(i));
    a.reticleAngleSlider()->setValue(second ? -1234 : 0);
    a.centerCodeXSpin()->setValue(second ? 9999 : 960);
    a.centerCodeYSpin()->setValue(second ? 7777 : 540);
    a.saveParameters();
    a.saveFocusCenter();
}

} // namespace

class KillDuringSaveTest : public QObject {
    Q_OBJECT

private slots:
    void everyFileIsCompleteAfterAnyKill()
    {
        QDir(configDir()).removeRecursively();
        MessageRecorder recorder;
        MainWindow window(std::make_unique<FakeCameraPlatform>());
        MainWindowTestAccess a(window);
        QList<QByteArrayList> versions;
        for (bool second : {false, true}) {
            saveSetup(a, second);
            versions << readFiles();
        }
        for (int f = 0; f < kFiles.size(); ++f)
            QVERIFY2(versions[0][f].endsWith('\n') && versions[0][f] != versions[1][f], qPrintable(kFiles[f]));
        QCOMPARE(versions[0][0].split(' ').size(), 29);

        // Forking a copy of the ready window skips a window's start-up for every kill.
        const pid_t parent = getpid();
        QRandomGenerator rng(7);
        const int kills = 300;
        int changes = 0, interrupted = 0, mostLeftovers = 0;
        QByteArrayList previous;
        for (int kill = 0; kill < kills; ++kill) {
            // Start with the set-up the files do not hold, so that every kill can tear something.
            const bool startSecond = readFiles()[0] == versions[0][0];
            const pid_t pid = fork();
            if (pid == 0) {
                // A copy must never outlive a test that stopped half-way: it would save for ever.
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (getppid() != parent)
                    _exit(1);
                for (bool second = startSecond;; second = !second) {
                    saveSetup(a, second);
                    recorder.messages.clear();
                }
            }
            QVERIFY(pid > 0);
            std::this_thread::sleep_for(std::chrono::microseconds(rng.bounded(0, 60000)));
            int status = 0;
            QVERIFY(::kill(pid, SIGKILL) == 0 && waitpid(pid, &status, 0) == pid && WTERMSIG(status) == SIGKILL);

            const QByteArrayList now = readFiles();
            for (int f = 0; f < kFiles.size(); ++f)
                QVERIFY2(now[f] == versions[0][f] || now[f] == versions[1][f],
                         qPrintable(QStringLiteral("kill %1 tore %2: ").arg(kill).arg(kFiles[f]) + now[f].toPercentEncoding()));
            changes += now != previous ? 1 : 0;
            previous = now;
            // A file beside the three is a write the kill cut short; the next save of that file sweeps it.
            const int leftovers = int(QDir(configDir()).entryList(QDir::Files | QDir::Hidden).size()) - int(kFiles.size());
            interrupted += leftovers > 0 ? 1 : 0;
            mostLeftovers = qMax(mostLeftovers, leftovers);
        }
        QVERIFY2(mostLeftovers <= kFiles.size(), qPrintable(QString::number(mostLeftovers)));
        QVERIFY2(changes > kills / 10, "too few kills came after a completed save to prove anything");
        qInfo("%d kills: %d found the files changed since the kill before, %d left an abandoned temporary "
              "file (at most %d at once)", kills, changes, interrupted, mostLeftovers);
    }
};

QTEST_MAIN(KillDuringSaveTest)
#include "kill_during_save_test.moc"
