#include "persistence/atomic_file_writer.h"
#include "persistence/center_code_file.h"
#include "persistence/parameter_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Saved files carry the platform's line ends, as an editor there expects.
const QByteArray kLineEnd = QSysInfo::productType() == QLatin1String("windows") ? "\r\n" : "\n";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ParameterFilesTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { setWriteFaultInjector({}); }

    // Hand-edited files are read leniently; the centre code needs both numbers.
    void parsingOfHandEditedFiles()
    {
        QCOMPARE(parseIntegerFields("5 abc 7 1.5 0x10 8"), (QList<int>{5, 0, 7, 0, 0, 8}));
        QCOMPARE(parseIntegerFields("007 99999999999"), (QList<int>{7, 0}));
        QVERIFY(parseIntegerFields(" \n\t").isEmpty());
        QCOMPARE(parseCenterCode("010 -3"), std::optional<QPoint>(QPoint(10, -3)));
        QCOMPARE(parseCenterCode("960"), std::nullopt);
        QCOMPARE(parseCenterCode("960 x540"), std::nullopt);
        // Too big for the field: not wrapped into a plausible 960.
        QCOMPARE(parseCenterCode("4294968256 540"), std::nullopt);
        QCOMPARE(parseCenterCode("+5\r\n-0"), std::optional<QPoint>(QPoint(5, 0)));
    }

    void atomicWriteReplacesWholeFileOrNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config4k.txt"));

        QVERIFY(writeFileAtomically(path, "1 2 3 4 5 6 7 8 9\n"));
        QVERIFY(writeFileAtomically(path, "1 2\n"));
        QCOMPARE(readAll(path), "1 2" + kLineEnd);
        QCOMPARE(parseIntegerFields(readAll(path)), (QList<int>{1, 2}));

        // A write that dies halfway must neither touch the old file nor leave the half behind.
        setWriteFaultInjector([&](const QString &target) { return target == path ? 3 : -1; });
        QString error;
        QVERIFY(!writeFileAtomically(path, "9 9 9 9 9 9\n", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), "1 2" + kLineEnd);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("config4k.txt")});

        setWriteFaultInjector({});
        const QString blocked = dir.filePath(QStringLiteral("focus.txt"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("focus.txt")));
        QVERIFY(!writeFileAtomically(blocked, "1 2\n", &error));
        QVERIFY(QFileInfo(blocked).isDir());
        QVERIFY(!writeFileAtomically(dir.filePath(QStringLiteral("missing/focus.txt")), "1 2\n"));
    }
};

QTEST_GUILESS_MAIN(ParameterFilesTest)
#include "parameter_files_test.moc"
