#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "tests/support/message_recorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QSlider>
#include <QSpinBox>

#include <cstdio>

// Saves the parameters and the centre code for ever, alternating two complete set-ups, so
// that its parent can kill it at any moment of a save. Before the first kill is possible it
// prints what each file holds after either set-up, then "ready".
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

    for (bool second = false;; second = !second) {
        applySetup(a, second);
        save(a);
        recorder.messages.clear();
    }
}
