#include "app/diagnostic_log.h"
#include "app/ui_language.h"
#include "tests/support/diagnostic_log_reader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <thread>

namespace {

QList<QByteArray> logLines()
{
    QFile file(DiagnosticLogReader::path());
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll().split('\n') : QList<QByteArray>();
}

} // namespace

class AppTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(DiagnosticLogReader::path());
        QDir().rmdir(DiagnosticLogReader::path());
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
        QCOMPARE(std::tuple(lines[0].size(), lines[0].endsWith("  "), lines[0].startsWith("\xEF\xBB\xBF")), std::tuple(qsizetype(23 + 2), true, false));
        QCOMPARE(std::pair(lines[1].endsWith("  first"), lines[2]), std::pair(true, QByteArray("second")));
        QVERIFY(lines[3].endsWith(QStringLiteral("  Kamera \u4e2d\u6587 ok").toUtf8()));

        QVERIFY(QFile::remove(DiagnosticLogReader::path()));
        DiagnosticLog(QStringLiteral("after"));
        QCOMPARE(std::pair(logLines().size(), logLines().value(0).endsWith("  after")), std::pair(qsizetype(2), true));
        // A folder in the log's place cannot be opened for writing, even by root.
        QVERIFY(QFile::remove(DiagnosticLogReader::path()) && QDir().mkdir(DiagnosticLogReader::path()));
        DiagnosticLog(QStringLiteral("dropped"));
        QVERIFY(QFileInfo(DiagnosticLogReader::path()).isDir() && QDir().rmdir(DiagnosticLogReader::path()));
        DiagnosticLog(QStringLiteral("kept"));
        QCOMPARE(std::pair(logLines().size(), logLines().value(0).endsWith("  kept")), std::pair(qsizetype(2), true));
    }

    void languageDetection()
    {
        const QLocale german(QLocale::German, QLocale::Germany), mainland(QLocale::Chinese, QLocale::China),
            taiwan(QLocale::Chinese, QLocale::Taiwan);
        using L = UiLanguage;
        // The variable wins when it names a language; anything else falls back to the locale.
        const struct { const char *environment; QLocale locale; UiLanguage expected; } rows[] = {
            {" ZH-TW ", german, L::TraditionalChinese}, {"zh_hk", mainland, L::TraditionalChinese},
            {"SIMPLIFIED", german, L::SimplifiedChinese}, {"EN_us", mainland, L::English},
            {"english", taiwan, L::TraditionalChinese}, {"zh_sg", mainland, L::SimplifiedChinese},
            {"zh_tw.utf-8", german, L::English}, {"   ", mainland, L::SimplifiedChinese},
            {nullptr, QLocale(QLocale::Chinese, QLocale::Macao), L::TraditionalChinese},
            {nullptr, QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Singapore), L::TraditionalChinese},
            {nullptr, QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::HongKong), L::TraditionalChinese}};
        for (const auto &r : rows)
            QVERIFY2(detectUiLanguage(QString::fromLatin1(r.environment), r.locale) == r.expected,
                     r.environment ? r.environment : "unset");
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
