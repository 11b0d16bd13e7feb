#include "diagnostic_log_test.h"

#include "app/diagnostic_log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <thread>

namespace {

QString logPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vesk-diagnostic.log"));
}

QByteArray readLog()
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll() : QByteArray();
}

const QRegularExpression linePattern(QStringLiteral(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})  (.*)$)"));

} // namespace

void DiagnosticLogTest::init()
{
    QFile::remove(logPath());
    QDir().rmdir(logPath());
}

void DiagnosticLogTest::cleanup()
{
    init();
}

void DiagnosticLogTest::concurrentWritersKeepLinesWholeAndOrdered()
{
    constexpr int perThread = 1000;
    auto writer = [](char name) {
        for (int i = 0; i < perThread; ++i)
            DiagnosticLog(QStringLiteral("writer %1 line %2 of a message long enough to tear").arg(name).arg(i));
    };
    std::thread first(writer, 'A');
    std::thread second(writer, 'B');
    first.join();
    second.join();

    const QList<QByteArray> lines = readLog().split('\n');
    QCOMPARE(lines.size(), 2 * perThread + 1);
    QVERIFY(lines.last().isEmpty());

    const QRegularExpression messagePattern(QStringLiteral(R"(^writer ([AB]) line (\d+) of a message long enough to tear$)"));
    QHash<QString, int> nextIndex {{QStringLiteral("A"), 0}, {QStringLiteral("B"), 0}};
    QHash<QString, QDateTime> lastStamp;
    for (int i = 0; i < 2 * perThread; ++i) {
        const QRegularExpressionMatch line = linePattern.match(QString::fromUtf8(lines[i]));
        QVERIFY2(line.hasMatch(), lines[i].constData());
        const QRegularExpressionMatch message = messagePattern.match(line.captured(2));
        QVERIFY2(message.hasMatch(), lines[i].constData());
        const QString writer = message.captured(1);
        QCOMPARE(message.captured(2).toInt(), nextIndex[writer]++);

        const QDateTime stamp = QDateTime::fromString(line.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        QVERIFY(stamp.isValid());
        QVERIFY(!lastStamp.contains(writer) || lastStamp[writer] <= stamp);
        lastStamp[writer] = stamp;
    }
    QCOMPARE(nextIndex[QStringLiteral("A")], perThread);
    QCOMPARE(nextIndex[QStringLiteral("B")], perThread);
}

void DiagnosticLogTest::writesMessagesVerbatim()
{
    DiagnosticLog(QString());
    DiagnosticLog(QStringLiteral("first\nsecond"));
    DiagnosticLog(QStringLiteral("Kamera \u4e2d\u6587 ok"));

    const QList<QByteArray> lines = readLog().split('\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0].size(), 23 + 2);
    QVERIFY(lines[0].endsWith("  "));
    QVERIFY(lines[1].endsWith("  first"));
    QCOMPARE(lines[2], QByteArray("second"));
    QVERIFY(lines[3].endsWith(QStringLiteral("  Kamera \u4e2d\u6587 ok").toUtf8()));
    QVERIFY(!readLog().startsWith("\xEF\xBB\xBF"));
}

void DiagnosticLogTest::deletedLogIsRecreated()
{
    DiagnosticLog(QStringLiteral("before"));
    QVERIFY(QFile::remove(logPath()));
    DiagnosticLog(QStringLiteral("after"));

    const QByteArray log = readLog();
    QVERIFY(log.endsWith("  after\n"));
    QVERIFY(!log.contains("before"));
}

void DiagnosticLogTest::unwritableLogDropsLines()
{
    // A directory in the log's place cannot be opened for writing, even by root.
    QVERIFY(QDir().mkdir(logPath()));
    DiagnosticLog(QStringLiteral("dropped"));
    QVERIFY(QFileInfo(logPath()).isDir());

    QVERIFY(QDir().rmdir(logPath()));
    DiagnosticLog(QStringLiteral("kept"));
    QVERIFY(readLog().endsWith("  kept\n"));
}
