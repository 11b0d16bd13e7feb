#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "tests/support/message_recorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

// Damaged settings files: loading must never crash, and must never leave a control out of step
// with its editor or with the overlay it draws.
namespace {

QString configPath(const QString &name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/config/") + name;
}

void writeConfig(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(configPath(name)).path());
    QFile file(configPath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

// Plausible values most of the time, then numbers at and past every limit, and words.
QByteArray randomFile(QRandomGenerator &rng, int minTokens, int maxTokens)
{
    static const QByteArray odd[] = {"-0", "007", "-1", "2147483647", "-2147483648", "2147483648", "4294968256",
                                     "99999999999999999999999", "1e3", "0x10", "1.5", "abc", "\xff\xfe", "12\x80"};
    static const char *const separators[] = {" ", "\t", "\r", "\r\n", "\v\f "};
    QByteArray content;
    for (int i = 0, n = int(rng.bounded(minTokens, maxTokens + 1)); i < n; ++i) {
        content += rng.bounded(3) ? QByteArray::number(int(rng.bounded(-300, 3000))) : odd[rng.bounded(int(std::size(odd)))];
        content += separators[rng.bounded(int(std::size(separators)))];
    }
    return content;
}

// Everything that must hold after any load; empty when all is well.
QStringList panelFaults(MainWindowTestAccess &a)
{
    QStringList faults;
    const auto inStep = [&](const char *what, const QSlider *slider, double editor, double scale = 1.0) {
        if (qAbs(editor * scale - slider->value()) > 0.01)
            faults << QStringLiteral("%1: editor %2, slider %3").arg(QLatin1String(what)).arg(editor).arg(slider->value());
    };
    for (std::size_t i = 0; i < 3; ++i) {
        inStep("radius", a.circleRadiusSliders()[i], a.circleRadiusSpins()[i]->value());
        inStep("thickness", a.circleThicknessSliders()[i], a.circleThicknessSpins()[i]->value());
        const CircleSettings &c = a.circles()[i];
        if (c.radius != a.circleRadiusSliders()[i]->value() || c.thickness != a.circleThicknessSliders()[i]->value()
            || c.enabled != a.circleEnableChecks()[i]->isChecked() || !c.color.isValid() || c.color.alpha() != 255)
            faults << QStringLiteral("circle %1 disagrees with its controls").arg(i);
    }
    inStep("length", a.reticleLengthSlider(), a.reticleLengthSpin()->value());
    inStep("reticle thickness", a.reticleThicknessSlider(), a.reticleThicknessSpin()->value());
    inStep("angle", a.reticleAngleSlider(), a.reticleAngleSpin()->value(), 10.0);
    inStep("offset x", a.offsetXSlider(), a.offsetXSpin()->value());
    inStep("offset y", a.offsetYSlider(), a.offsetYSpin()->value());
    if (!a.reticleColor().isValid() || a.reticleColor().alpha() != 255 || a.reticleStyleCombo()->currentIndex() < 0
        || a.reticleStyleCombo()->currentIndex() > 1)
        faults << QStringLiteral("reticle colour or style");
    if (a.centerCodeX() != a.centerCodeXSpin()->value() || a.centerCodeY() != a.centerCodeYSpin()->value())
        faults << QStringLiteral("centre %1,%2 shown as %3,%4").arg(a.centerCodeX()).arg(a.centerCodeY())
                      .arg(a.centerCodeXSpin()->value()).arg(a.centerCodeYSpin()->value());
    return faults;
}

} // namespace

class FileFuzzTest : public QObject {
    Q_OBJECT

private slots:
    void damagedFilesLeaveThePanelInStep()
    {
        MessageRecorder recorder;
        MainWindow window(std::make_unique<FakeCameraPlatform>());
        MainWindowTestAccess a(window);
        // A folder in the file's place, then an empty file: nothing to read, nothing changes.
        a.reticleLengthSlider()->setValue(777);
        QFile::remove(configPath(QStringLiteral("config4k.txt")));
        QVERIFY(QDir().mkpath(configPath(QStringLiteral("config4k.txt"))));
        a.loadParameters();
        QCOMPARE(a.reticleLengthSlider()->value(), 777);
        QVERIFY(QDir().rmdir(configPath(QStringLiteral("config4k.txt"))));
        writeConfig(QStringLiteral("config4k.txt"), QByteArray());
        a.loadParameters();
        QCOMPARE(a.reticleLengthSlider()->value(), 777);

        QRandomGenerator rng(20261207);
        for (int n = 0; n < 600; ++n) {
            // Mostly rows of about the stored lengths, so that every optional tail is read.
            writeConfig(QStringLiteral("config4k.txt"), rng.bounded(4) ? randomFile(rng, 20, 30) : randomFile(rng, 0, 40));
            writeConfig(QStringLiteral("focus.txt"), randomFile(rng, 0, 3));
            a.loadParameters();
            const QStringList faults = panelFaults(a);
            QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("case %1: ").arg(n) + faults.join(QStringLiteral("; "))));
        }
        QVERIFY(recorder.messages.isEmpty());
    }
};

QTEST_MAIN(FileFuzzTest)
#include "file_fuzz_test.moc"
