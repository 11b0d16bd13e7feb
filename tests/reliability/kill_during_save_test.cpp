#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "tests/support/message_recorder.h"

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

QString configDir() { return QCoreApplication::applicationDirPath() + QStringLiteral("/config/"); }

QByteArrayList readFiles()
{
    QByteArrayList contents;
    for (const char *name : {"config4k.txt", "config1k.txt", "focus.txt"}) {
        QFile file(configDir() + QLatin1String(name));
        contents << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>"));
    }
    return contents;
}

// Two set-ups whose files all differ in length, so that a torn write cannot pass for either.
void saveSetup(MainWindowTestAccess &a, bool second)
{
    for (std::size_t i = 0; i < 3; ++i)
        a.circleRadiusSliders()[i]->setValue(second ? 1200 + int(i) : 100 + int(i));
    a.centerCodeXSpin()->setValue(second ? 9999 : 960);
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

        // Forking a copy of the ready window skips a window's start-up for every kill.
        const pid_t parent = getpid();
        QRandomGenerator rng(7);
        int changes = 0;
        QByteArrayList previous;
        for (int kill = 0; kill < 300; ++kill) {
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
            for (int f = 0; f < 3; ++f)
                QVERIFY2(now[f] == versions[0][f] || now[f] == versions[1][f], qPrintable(QString::number(kill) + ": " + now[f]));
            changes += now != previous ? 1 : 0;
            previous = now;
            // A write the kill cut short may leave its temporary file; the next save of that file sweeps it.
            QVERIFY(QDir(configDir()).entryList(QDir::Files | QDir::Hidden).size() <= 6);
        }
        QVERIFY2(changes > 30, "too few kills came after a completed save to prove anything");
    }
};

QTEST_MAIN(KillDuringSaveTest)
#include "kill_during_save_test.moc"
