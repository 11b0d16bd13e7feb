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
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("config/") + name);
}

void writeConfig(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(configPath(name)).path());
    QFile file(configPath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Plausible values most of the time, then numbers at and past every limit, words and raw bytes.
QByteArray randomFile(QRandomGenerator &rng, int minTokens, int maxTokens)
{
    static const QByteArray odd[] = {"-0", "+7", "007", "-1", "2147483647", "-2147483648", "2147483648", "4294968256",
                                     "99999999999999999999999", "1e3", "0x10", "1.5", "abc", "\xff\xfe", "-", "12\x80"};
    static const char *const separators[] = {" ", "\t", "\n", "\r", "\r\n", "\v\f "};
    QByteArray content;
    if (rng.bounded(10) == 0) {
        for (int i = 0, n = int(rng.bounded(300)); i < n; ++i)
            content += char(rng.bounded(256));
        return content;
    }
    for (int i = 0, n = int(rng.bounded(minTokens, maxTokens + 1)); i < n; ++i) {
        content += rng.bounded(3) ? QByteArray::number(int(rng.bounded(-300, 3000))) : odd[rng.bounded(int(std::size(odd)))];
        content += separators[rng.bounded(int(std::size(separators)))];
    }
    return content;
}

// Everything that must hold after any load; empty when all is well.
QString panelFault(MainWindowTestAccess &a)
{
    QStringList faults;
    const auto inStep = [&](const QString &what, const QSlider *slider, double editor, double scale = 1.0) {
        if (qAbs(editor * scale - slider->value()) > 0.01)
            faults << QStringLiteral("%1: editor %2, slider %3").arg(what).arg(editor).arg(slider->value());
    };
    for (std::size_t i = 0; i < 3; ++i) {
        inStep(QStringLiteral("radius %1").arg(i), a.circleRadiusSliders()[i], a.circleRadiusSpins()[i]->value());
        inStep(QStringLiteral("thickness %1").arg(i), a.circleThicknessSliders()[i], a.circleThicknessSpins()[i]->value());
        const CircleSettings &c = a.circles()[i];
        if (c.radius != a.circleRadiusSliders()[i]->value() || c.thickness != a.circleThicknessSliders()[i]->value()
            || c.enabled != a.circleEnableChecks()[i]->isChecked() || !c.color.isValid() || c.color.alpha() != 255)
            faults << QStringLiteral("circle %1 disagrees with its controls").arg(i);
    }
    inStep(QStringLiteral("length"), a.reticleLengthSlider(), a.reticleLengthSpin()->value());
    inStep(QStringLiteral("reticle thickness"), a.reticleThicknessSlider(), a.reticleThicknessSpin()->value());
    inStep(QStringLiteral("angle"), a.reticleAngleSlider(), a.reticleAngleSpin()->value(), 10.0);
    inStep(QStringLiteral("offset x"), a.offsetXSlider(), a.offsetXSpin()->value());
    inStep(QStringLiteral("offset y"), a.offsetYSlider(), a.offsetYSpin()->value());
    if (!a.reticleColor().isValid() || a.reticleColor().alpha() != 255 || a.reticleStyleCombo()->currentIndex() < 0
        || a.reticleStyleCombo()->currentIndex() > 1)
        faults << QStringLiteral("reticle colour or style");
    if (a.centerCodeX() != a.centerCodeXSpin()->value() || a.centerCodeY() != a.centerCodeYSpin()->value())
        faults << QStringLiteral("centre %1,%2 shown as %3,%4").arg(a.centerCodeX()).arg(a.centerCodeY())
                      .arg(a.centerCodeXSpin()->value()).arg(a.centerCodeYSpin()->value());
    return faults.join(QStringLiteral("; "));
}

} // namespace

class FileFuzzTest : public QObject {
    Q_OBJECT

private slots:
    void damagedFilesLeaveThePanelInStep()
    {
        const QString files[] = {QStringLiteral("config4k.txt"), QStringLiteral("focus.txt")};
        MessageRecorder recorder;
        MainWindow window(std::make_unique<FakeCameraPlatform>());
        MainWindowTestAccess a(window);
        a.reticleLengthSlider()->setValue(777);
        a.centerCodeXSpin()->setValue(123);

        // A folder where the file should be, then an empty file: nothing to read, nothing changes.
        for (const QString &name : files) {
            QFile::remove(configPath(name));
            QVERIFY(QDir().mkpath(configPath(name)));
        }
        a.loadParameters();
        QCOMPARE(QPoint(a.reticleLengthSlider()->value(), a.centerCodeX()), QPoint(777, 123));
        for (const QString &name : files) {
            QVERIFY(QDir().rmdir(configPath(name)));
            writeConfig(name, QByteArray());
        }
        a.loadParameters();
        QCOMPARE(QPoint(a.reticleLengthSlider()->value(), a.centerCodeX()), QPoint(777, 123));

        // Line ends of an old editor: carriage returns alone.
        writeConfig(files[0], "100\r2\r200\r2\r300\r2\r421\r2\r0\r255\r0\r0\r0\r255\r0\r0\r0\r255\r0\r255\r0\r1\r");
        writeConfig(files[1], "960\r540\r");
        a.loadParameters();
        QCOMPARE(QPoint(a.reticleLengthSlider()->value(), a.reticleStyleCombo()->currentIndex()), QPoint(421, 1));
        QCOMPARE(QPoint(a.centerCodeX(), a.centerCodeY()), QPoint(960, 540));

        QRandomGenerator rng(20261207);
        for (int n = 0; n < 600; ++n) {
            // Mostly rows of about the stored lengths, so that every optional tail is read.
            writeConfig(files[0], rng.bounded(4) ? randomFile(rng, 20, 30) : randomFile(rng, 0, 40));
            writeConfig(files[1], randomFile(rng, 0, 3));
            a.loadParameters();
            const QString fault = panelFault(a);
            if (!fault.isEmpty())
                QFAIL(qPrintable(QStringLiteral("case %1: %2").arg(n).arg(fault)));
        }
        QVERIFY(recorder.messages.isEmpty());
    }
};

QTEST_MAIN(FileFuzzTest)
#include "file_fuzz_test.moc"
