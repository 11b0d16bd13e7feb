#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "tests/support/message_recorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QSlider>
#include <QSpinBox>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// Prints what each settings file holds after either of two complete set-ups, then "ready".
// Then, for every "fork A" or "fork B" line on its input, it forks a copy that saves the parameters and
// the centre code for ever, alternating the two set-ups from the one named, prints "child PID" and waits until
// its parent has killed that copy at some moment of a save, then prints "reaped". Forking
// skips the start-up of a window for every kill, so hundreds of kills take seconds.
namespace {

void applySetup(MainWindowTestAccess &a, bool second)
{
    for (std::size_t i = 0; i < 3; ++i) {
        a.circleRadiusSliders()[i]->setValue(second ? 1200 + int(i) : 100 + int(i));
        a.circleThicknessSliders()[i]->setValue(second ? 9 : 2);
        a.circleEnableChecks()[i]->setChecked(second);
    }
    a.reticleLengthSlider()->setValue(second ? 1999 : 420);
    a.reticleAngleSlider()->setValue(second ? -1234 : 0);
    a.reticleStyleCombo()->setCurrentIndex(second ? 1 : 0);
    a.reticleEnableCheck()->setChecked(!second);
    a.offsetXSlider()->setValue(second ? -17 : 3);
    a.centerOffsetCheck()->setChecked(second);
    a.centerCodeXSpin()->setValue(second ? 9999 : 960);
    a.centerCodeYSpin()->setValue(second ? 7777 : 540);
}

void save(MainWindowTestAccess &a)
{
    a.saveParameters();
    a.saveFocusCenter();
}

QByteArray contents(const char *name)
{
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/config/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toHex() : QByteArray("-");
}

void printContents(const char *tag)
{
    std::printf("%s %s %s %s\n", tag, contents("config4k.txt").constData(),
                contents("config1k.txt").constData(), contents("focus.txt").constData());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    MessageRecorder recorder;
    MainWindow window(std::make_unique<FakeCameraPlatform>());
    MainWindowTestAccess a(window);

    applySetup(a, false);
    save(a);
    printContents("first");
    applySetup(a, true);
    save(a);
    printContents("second");
    std::puts("ready");
    std::fflush(stdout);

    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "fork", 4) != 0)
            continue;
        const pid_t pid = fork();
        if (pid == 0) {
            // A copy must never outlive a test that stopped half-way: it would save for ever.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() == 1)
                _exit(1);
            for (bool second = line[4] == 'B';; second = !second) {
                applySetup(a, second);
                save(a);
                recorder.messages.clear();
            }
        }
        std::printf("child %d\n", int(pid));
        std::fflush(stdout);
        int status = 0;
        if (pid > 0)
            waitpid(pid, &status, 0);
        std::printf("reaped %d\n", WIFSIGNALED(status) ? WTERMSIG(status) : -1);
        std::fflush(stdout);
    }
    return 0;
}
