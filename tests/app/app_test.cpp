#include "app/diagnostic_log.h"
#include "app/ui_language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QRegularExpression>
#include <QTest>

#include <thread>

Q_DECLARE_METATYPE(UiLanguage)

namespace {

QString logPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vesk-diagnostic.log"));
}

QList<QByteArray> logLines()
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll().split('\n') : QList<QByteArray>();
}

} // namespace

class AppTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(logPath());
        QDir().rmdir(logPath());
    }

    void cleanup() { init(); }

    void concurrentLogWritersKeepLinesWholeAndOrdered()
    {
        constexpr int perThread = 1000;
        auto writer = [](char name) {
            for (int i = 0; i < perThread; ++i)
                DiagnosticLog(QStringLiteral("writer %1 line %2 of a message long enough to tear").arg(name).arg(i));
        };
        std::thread first(writer, 'A'), second(writer, 'B');
        first.join();
        second.join();
        const QList<QByteArray> lines = logLines();
        QCOMPARE(lines.size(), 2 * perThread + 1);
        const QRegularExpression pattern(QStringLiteral(
            R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  writer ([AB]) line (\d+) of a message long enough to tear$)"));
        QHash<QString, int> next;
        for (int i = 0; i < 2 * perThread; ++i) {
            const QRegularExpressionMatch line = pattern.match(QString::fromUtf8(lines[i]));
            QVERIFY2(line.hasMatch(), lines[i].constData());
            QCOMPARE(line.captured(2).toInt(), next[line.captured(1)]++);
        }
    }

    // Messages go out verbatim, and the log survives being deleted or blocked by a folder.
    void logWritesVerbatimAndSurvivesDeletionAndBlockage()
    {
        DiagnosticLog(QString());
        DiagnosticLog(QStringLiteral("first\nsecond"));
        DiagnosticLog(QStringLiteral("Kamera \u4e2d\u6587 ok"));
        QList<QByteArray> lines = logLines();
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[0].size() == 23 + 2 && lines[0].endsWith("  ") && !lines[0].startsWith("\xEF\xBB\xBF"));
        QVERIFY(lines[1].endsWith("  first") && lines[2] == "second");
        QVERIFY(lines[3].endsWith(QStringLiteral("  Kamera \u4e2d\u6587 ok").toUtf8()));

        QVERIFY(QFile::remove(logPath()));
        DiagnosticLog(QStringLiteral("after"));
        QVERIFY(logLines().size() == 2 && logLines()[0].endsWith("  after"));
        // A folder in the log's place cannot be opened for writing, even by root.
        QVERIFY(QFile::remove(logPath()) && QDir().mkdir(logPath()));
        DiagnosticLog(QStringLiteral("dropped"));
        QVERIFY(QFileInfo(logPath()).isDir() && QDir().rmdir(logPath()));
        DiagnosticLog(QStringLiteral("kept"));
        QVERIFY(logLines().size() == 2 && logLines()[0].endsWith("  kept"));
    }

    void languageDetection_data()
    {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<UiLanguage>("expected");
        const QLocale german(QLocale::German, QLocale::Germany), mainland(QLocale::Chinese, QLocale::China),
            taiwan(QLocale::Chinese, QLocale::Taiwan);
        using L = UiLanguage;
        // The variable wins when it names a language; anything else falls back to the locale.
        QTest::newRow("trimmed and lowered") << QStringLiteral(" ZH-TW ") << german << L::TraditionalChinese;
        QTest::newRow("zh_hk") << QStringLiteral("zh_hk") << mainland << L::TraditionalChinese;
        QTest::newRow("simplified") << QStringLiteral("SIMPLIFIED") << german << L::SimplifiedChinese;
        QTest::newRow("EN_us") << QStringLiteral("EN_us") << mainland << L::English;
        QTest::newRow("english is no code") << QStringLiteral("english") << taiwan << L::TraditionalChinese;
        QTest::newRow("zh_sg on mainland") << QStringLiteral("zh_sg") << mainland << L::SimplifiedChinese;
        QTest::newRow("encoding suffix") << QStringLiteral("zh_tw.utf-8") << german << L::English;
        QTest::newRow("white space, mainland") << QStringLiteral("   ") << mainland << L::SimplifiedChinese;
        QTest::newRow("unset, macao") << QString() << QLocale(QLocale::Chinese, QLocale::Macao) << L::TraditionalChinese;
        QTest::newRow("traditional script elsewhere")
            << QString() << QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Singapore) << L::TraditionalChinese;
        QTest::newRow("simplified script in hong kong")
            << QString() << QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::HongKong) << L::TraditionalChinese;
    }

    void languageDetection()
    {
        QFETCH(QString, environment);
        QFETCH(QLocale, locale);
        QFETCH(UiLanguage, expected);
        QCOMPARE(detectUiLanguage(environment, locale), expected);
    }

    void languageIsFixedForTheProcess()
    {
        // The test runner sets VESK_LANG=en.
        QCOMPARE(pickText(QStringLiteral("Open"), QStringLiteral("t"), QStringLiteral("s")), QStringLiteral("Open"));
        const QByteArray saved = qgetenv("VESK_LANG");
        qputenv("VESK_LANG", "zh_cn");
        QCOMPARE(detectUiLanguage(), UiLanguage::SimplifiedChinese);
        QCOMPARE(currentUiLanguage(), UiLanguage::English);
        qputenv("VESK_LANG", saved);
    }

    // A broken file or a missing icon reader would only show as a blank window icon.
    void compiledInIconDecodes()
    {
        QImageReader reader(QStringLiteral(":/icons/vesk.ico"));
        const QImage image = reader.read();
        QVERIFY2(image.size() == QSize(256, 256) && image.hasAlphaChannel(), qPrintable(reader.errorString()));
        QVERIFY(QIcon(QStringLiteral(":/icons/vesk.ico")).availableSizes().contains(QSize(256, 256)));
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
