#include "persistence/center_code_file.h"
#include "persistence/parameter_files.h"
#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "tests/support/message_recorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

// Random and damaged settings files: the loaders must neither crash nor hang, must read
// every number a person could have meant, and must never push a control out of its range.
namespace {

constexpr quint32 kSeed = 20261207;

// A token the reader is given and the integer an independent reading expects of it.
struct Token {
    QByteArray text;
    int value = 0;
    bool number = false; // a plain decimal that fits in an int
};

Token numberToken(long long value, QRandomGenerator &rng)
{
    QByteArray text = QByteArray::number(value);
    if (value >= 0 && rng.bounded(4) == 0)
        text.prepend('+');
    if (rng.bounded(4) == 0)
        text.insert(text.startsWith('-') || text.startsWith('+') ? 1 : 0, QByteArray(int(rng.bounded(3)) + 1, '0'));
    const bool fits = value >= INT_MIN && value <= INT_MAX;
    return {text, fits ? int(value) : 0, fits};
}

// Bytes that never decode to white space: ASCII letters and punctuation, lone UTF-8
// continuation bytes and bytes that are never valid UTF-8.
QByteArray garbage(QRandomGenerator &rng)
{
    static const QByteArray ascii = "abcxyzXE.,;:-+_#/\\'\"()[]{}=*&%$@!?~^|<>`";
    QByteArray text;
    const int length = int(rng.bounded(1, 8));
    for (int i = 0; i < length; ++i) {
        switch (rng.bounded(4)) {
        case 0: text += ascii[int(rng.bounded(ascii.size()))]; break;
        case 1: text += char(0x80 + rng.bounded(0x40)); break;
        case 2: text += char(0xF8 + rng.bounded(8)); break;
        default: text += char('0' + rng.bounded(10)); break;
        }
    }
    return text;
}

Token randomToken(QRandomGenerator &rng)
{
    static const long long edges[] = {0, 1, -1, INT_MAX, INT_MIN, 1LL + INT_MAX, -1LL + INT_MIN,
                                      99999999999LL, -99999999999LL, 4294967296LL + 960};
    switch (rng.bounded(6)) {
    case 0:
        return numberToken(edges[rng.bounded(int(std::size(edges)))], rng);
    case 1:
        return {"-0", 0, true};
    case 2: {
        // Longer than any integer type: never a number, never a wrapped one.
        QByteArray text(int(rng.bounded(20, 60)), '9');
        return {text, 0, false};
    }
    case 3: {
        const QByteArray text = garbage(rng);
        bool ok = false;
        const long long value = text.toLongLong(&ok, 10);
        const bool number = ok && value >= INT_MIN && value <= INT_MAX;
        return {text, number ? int(value) : 0, number};
    }
    default:
        return numberToken(rng.bounded(-100000, 100000), rng);
    }
}

QByteArray separator(QRandomGenerator &rng)
{
    static const char *const kinds[] = {" ", "  ", "\t", "\n", "\r", "\r\n", "\v", "\f", " \r \n\t"};
    return kinds[rng.bounded(int(std::size(kinds)))];
}

QByteArray join(const QList<Token> &tokens, QRandomGenerator &rng)
{
    QByteArray content = rng.bounded(3) == 0 ? separator(rng) : QByteArray();
    for (int i = 0; i < tokens.size(); ++i) {
        if (i > 0)
            content += separator(rng);
        content += tokens[i].text;
    }
    if (rng.bounded(2) == 0)
        content += separator(rng);
    return content;
}

QByteArray randomBytes(QRandomGenerator &rng, int maxLength)
{
    QByteArray bytes(int(rng.bounded(maxLength + 1)), Qt::Uninitialized);
    for (char &c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

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

template <typename Editor> QString rangeFault(const QString &what, const QSlider *slider, const Editor *editor, double scale)
{
    if (slider->value() < slider->minimum() || slider->value() > slider->maximum())
        return what + QStringLiteral(" slider out of range");
    if (qAbs(editor->value() * scale - slider->value()) > 0.01)
        return what + QStringLiteral(" editor %1 disagrees with slider %2").arg(editor->value()).arg(slider->value());
    return {};
}

// Everything that must hold after any load, whatever the file held; empty when all is well.
QString panelFault(MainWindowTestAccess &a)
{
    QStringList faults;
    for (std::size_t i = 0; i < 3; ++i) {
        faults << rangeFault(QStringLiteral("radius %1").arg(i), a.circleRadiusSliders()[i], a.circleRadiusSpins()[i], 1.0);
        faults << rangeFault(QStringLiteral("thickness %1").arg(i), a.circleThicknessSliders()[i], a.circleThicknessSpins()[i], 1.0);
        const CircleSettings &c = a.circles()[i];
        if (c.radius != a.circleRadiusSliders()[i]->value() || c.thickness != a.circleThicknessSliders()[i]->value()
            || c.enabled != a.circleEnableChecks()[i]->isChecked())
            faults << QStringLiteral("circle %1 record disagrees with its controls").arg(i);
        if (!c.color.isValid() || c.color.alpha() != 255)
            faults << QStringLiteral("circle %1 colour invalid").arg(i);
    }
    faults << rangeFault(QStringLiteral("length"), a.reticleLengthSlider(), a.reticleLengthSpin(), 1.0);
    faults << rangeFault(QStringLiteral("reticle thickness"), a.reticleThicknessSlider(), a.reticleThicknessSpin(), 1.0);
    faults << rangeFault(QStringLiteral("angle"), a.reticleAngleSlider(), a.reticleAngleSpin(), 10.0);
    faults << rangeFault(QStringLiteral("offset x"), a.offsetXSlider(), a.offsetXSpin(), 1.0);
    faults << rangeFault(QStringLiteral("offset y"), a.offsetYSlider(), a.offsetYSpin(), 1.0);
    if (!a.reticleColor().isValid() || a.reticleColor().alpha() != 255)
        faults << QStringLiteral("reticle colour invalid");
    const int style = a.reticleStyleCombo()->currentIndex();
    if (style < 0 || style > 1)
        faults << QStringLiteral("style %1").arg(style);
    // The overlay is centred where the panel says it is.
    if (a.centerCodeX() != a.centerCodeXSpin()->value() || a.centerCodeY() != a.centerCodeYSpin()->value())
        faults << QStringLiteral("centre %1,%2 shown as %3,%4").arg(a.centerCodeX()).arg(a.centerCodeY())
                      .arg(a.centerCodeXSpin()->value()).arg(a.centerCodeYSpin()->value());
    faults.removeAll(QString());
    return faults.join(QStringLiteral("; "));
}

int inRange(QRandomGenerator &rng, const QSlider *slider, int floor = INT_MIN)
{
    return int(rng.bounded(qMax(floor, slider->minimum()), slider->maximum() + 1));
}

// A complete file of values every control can hold, as the program itself would write it.
QList<int> validFields(QRandomGenerator &rng, MainWindowTestAccess &a)
{
    QList<int> f;
    for (std::size_t i = 0; i < 3; ++i)
        f << inRange(rng, a.circleRadiusSliders()[i], 1) << inRange(rng, a.circleThicknessSliders()[i], 1);
    f << inRange(rng, a.reticleLengthSlider(), 1) << inRange(rng, a.reticleThicknessSlider(), 1)
      << inRange(rng, a.reticleAngleSlider());
    for (int i = 0; i < 12; ++i)
        f << int(rng.bounded(256));
    f << int(rng.bounded(2));
    for (int i = 0; i < 4; ++i)
        f << int(rng.bounded(2));
    f << inRange(rng, a.offsetXSlider()) << inRange(rng, a.offsetYSlider()) << int(rng.bounded(2));
    return f;
}

QByteArray canonicalLine(const QList<int> &fields)
{
    QByteArrayList parts;
    for (int v : fields)
        parts << QByteArray::number(v);
    return parts.join(' ') + '\n';
}

} // namespace

class FileFuzzTest : public QObject {
    Q_OBJECT

private slots:
    void parsersReadWhatAPersonWrote()
    {
        QRandomGenerator rng(kSeed);
        QElapsedTimer clock;
        clock.start();
        const int cases = 100000;
        for (int n = 0; n < cases; ++n) {
            QList<Token> tokens;
            const int count = int(rng.bounded(0, 35));
            for (int i = 0; i < count; ++i)
                tokens << randomToken(rng);
            const QByteArray content = join(tokens, rng);

            const QList<int> fields = parseIntegerFields(content);
            QList<int> expected;
            for (const Token &t : tokens)
                expected << t.value;
            if (fields != expected)
                QFAIL(qPrintable(QStringLiteral("case %1: %2").arg(n).arg(QString::fromLatin1(content.toPercentEncoding()))));

            // The centre reads the first two numbers or nothing; a number too big for the
            // field must not come back wrapped into a plausible one.
            const std::optional<QPoint> code = parseCenterCode(content);
            const auto plainDigits = [](const QByteArray &t) {
                const QByteArray digits = t.startsWith('-') || t.startsWith('+') ? t.mid(1) : t;
                return !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
            };
            std::optional<std::optional<QPoint>> expectedCode;
            if (tokens.size() >= 2 && tokens[0].number && tokens[1].number)
                expectedCode = QPoint(tokens[0].value, tokens[1].value);
            else if (tokens.size() < 2 || (plainDigits(tokens[0].text) && !tokens[0].number)
                     || (tokens[0].number && plainDigits(tokens[1].text) && !tokens[1].number)
                     || std::none_of(tokens[0].text.begin(), tokens[0].text.end(), [](char c) { return c >= '0' && c <= '9'; }))
                expectedCode = std::optional<QPoint>();
            if (expectedCode && code != *expectedCode)
                QFAIL(qPrintable(QStringLiteral("centre case %1: %2").arg(n).arg(QString::fromLatin1(content.toPercentEncoding()))));
        }

        // Raw bytes, and files far larger than anyone would write by hand.
        for (int n = 0; n < 20000; ++n) {
            const QByteArray bytes = randomBytes(rng, 200);
            parseIntegerFields(bytes);
            parseCenterCode(bytes);
        }
        QByteArray million;
        million.reserve(8'000'000);
        for (int i = 0; i < 1'000'000; ++i)
            million += QByteArray::number(int(rng.bounded(-99999, 99999))) + (i % 1000 ? ' ' : '\r');
        QCOMPARE(parseIntegerFields(million).size(), 1'000'000);
        QVERIFY(parseCenterCode(million).has_value());
        QVERIFY(parseIntegerFields(QByteArray()).isEmpty());
        QCOMPARE(parseCenterCode(QByteArray()), std::nullopt);
        qInfo("fuzzed %d parser cases in %lld ms", cases + 20000 + 2, clock.elapsed());
        QVERIFY2(clock.elapsed() < 30000, "the readers must stay fast on hostile files");
    }

    void loadingKeepsEveryControlInRange()
    {
        MessageRecorder recorder;
        QFile::remove(configPath(QStringLiteral("config4k.txt")));
        QFile::remove(configPath(QStringLiteral("focus.txt")));
        MainWindow window(std::make_unique<FakeCameraPlatform>());
        MainWindowTestAccess a(window);
        QRandomGenerator rng(kSeed + 1);

        const int cases = 3000;
        for (int n = 0; n < cases; ++n) {
            QList<Token> tokens;
            const QList<int> base = validFields(rng, a);
            const int count = rng.bounded(4) == 0 ? int(rng.bounded(0, 40)) : int(rng.bounded(20, 30));
            for (int i = 0; i < count; ++i) {
                if (i < base.size() && rng.bounded(3) != 0)
                    tokens << Token{QByteArray::number(base[i]), base[i], true};
                else
                    tokens << randomToken(rng);
            }
            writeConfig(QStringLiteral("config4k.txt"), rng.bounded(10) == 0 ? randomBytes(rng, 300) : join(tokens, rng));

            QList<Token> code;
            for (int i = 0, m = int(rng.bounded(4)); i < m; ++i)
                code << (rng.bounded(2) ? numberToken(rng.bounded(-50, 10050), rng) : randomToken(rng));
            writeConfig(QStringLiteral("focus.txt"), join(code, rng));

            a.loadParameters();
            const QString fault = panelFault(a);
            if (!fault.isEmpty())
                QFAIL(qPrintable(QStringLiteral("case %1: %2").arg(n).arg(fault)));
        }
        QVERIFY(recorder.messages.isEmpty());
        qInfo("loaded %d damaged files into the window", cases);
    }

    void everyStorableValueSurvivesASaveAndLoad()
    {
        MessageRecorder recorder;
        MainWindow window(std::make_unique<FakeCameraPlatform>());
        MainWindowTestAccess a(window);
        QRandomGenerator rng(kSeed + 2);
        for (int n = 0; n < 500; ++n) {
            const QList<int> fields = validFields(rng, a);
            QList<Token> tokens;
            for (int v : fields)
                tokens << numberToken(v, rng);
            writeConfig(QStringLiteral("config4k.txt"), join(tokens, rng));
            const int x = int(rng.bounded(0, 10001));
            const int y = int(rng.bounded(0, 10001));
            writeConfig(QStringLiteral("focus.txt"), join({numberToken(x, rng), numberToken(y, rng)}, rng));

            a.loadParameters();
            a.saveParameters();
            a.saveFocusCenter();
            QFile saved(configPath(QStringLiteral("config4k.txt")));
            QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
            QCOMPARE(saved.readAll(), canonicalLine(fields));
            QFile focus(configPath(QStringLiteral("focus.txt")));
            QVERIFY(focus.open(QIODevice::ReadOnly | QIODevice::Text));
            QCOMPARE(focus.readAll(), QByteArray::number(x) + ' ' + QByteArray::number(y) + '\n');
        }
    }

    void unreadableFilesLeaveThePanelAlone()
    {
        MessageRecorder recorder;
        MainWindow window(std::make_unique<FakeCameraPlatform>());
        MainWindowTestAccess a(window);
        a.reticleLengthSlider()->setValue(777);
        a.centerCodeXSpin()->setValue(123);
        const int length = a.reticleLengthSlider()->value();

        // A folder where the file should be, then an empty file, then CR-only line ends.
        for (const QString &name : {QStringLiteral("config4k.txt"), QStringLiteral("focus.txt")}) {
            QFile::remove(configPath(name));
            QVERIFY(QDir().mkpath(configPath(name)));
        }
        a.loadParameters();
        QCOMPARE(a.reticleLengthSlider()->value(), length);
        QCOMPARE(a.centerCodeX(), 123);
        QCOMPARE(panelFault(a), QString());

        for (const QString &name : {QStringLiteral("config4k.txt"), QStringLiteral("focus.txt")}) {
            QVERIFY(QDir().rmdir(configPath(name)));
            writeConfig(name, QByteArray());
        }
        a.loadParameters();
        QCOMPARE(a.reticleLengthSlider()->value(), length);
        QCOMPARE(a.centerCodeX(), 123);

        writeConfig(QStringLiteral("config4k.txt"), "100\r2\r200\r2\r300\r2\r421\r2\r0\r255\r0\r0\r0\r255\r0\r0\r0\r255\r0\r255\r0\r1\r");
        writeConfig(QStringLiteral("focus.txt"), "960\r540\r");
        a.loadParameters();
        QCOMPARE(a.reticleLengthSlider()->value(), 421);
        QCOMPARE(a.reticleStyleCombo()->currentIndex(), 1);
        QCOMPARE(QPoint(a.centerCodeX(), a.centerCodeY()), QPoint(960, 540));
        QVERIFY(recorder.messages.isEmpty());
    }
};

QTEST_MAIN(FileFuzzTest)
#include "file_fuzz_test.moc"
