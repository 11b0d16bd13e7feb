#include "persistence/atomic_file_writer.h"
#include "persistence/center_code_file.h"
#include "persistence/parameter_files.h"

#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

class PersistenceTest : public QObject {
    Q_OBJECT

private slots:
    void oddParameterFiles()
    {
        // Over a fresh panel's set-up (reticle 420 long, on, yellow), with an angle set before loading.
        const OverlayParameters shown{{}, 420, 2, 700, QColor(255, 220, 70), 0, true, {}, false};
        // Expected: circle 1 radius/thickness, reticle length/angle, colour 1, reticle colour,
        // style, circle switches, reticle switch, offset x/y/switch.
        const QByteArray head22 = "301 4 461 2 621 2 500 3 900 10 20 30 40 50 60 70 80 90 1 2 3 ";
        const QString loaded = "301/4 500/900 #0a141e #010203 1 ", untouched = "300/2 420/700 #50dc78 #ffdc46 0 111 1 0/0/0";
        const std::pair<QByteArray, QString> rows[] = {
            {head22 + "1", loaded + "111 1 0/0/0"}, {head22 + "1 0 1 0", loaded + "010 1 0/0/0"},
            {head22 + "1 0 1 0 0", loaded + "010 0 0/0/0"}, {head22 + "1 0 1 0 0 5 6", loaded + "010 0 0/0/0"},
            {head22 + "1 0 1 0 0 5 6 1", loaded + "010 0 5/6/1"}, {head22.trimmed(), untouched}, {QByteArray(), untouched},
            {"\t301\n4  461\r\n2 621 2 500 3\t\t900 10 20 30 40 50 60 70 80 90 1 2 3\n\n1\n", loaded + "111 1 0/0/0"},
            // Style 5, zero and negative sizes, zero angle.
            {"0 -4 461 2 621 2 -1 0 0 10 20 30 40 50 60 70 80 90 1 2 3 5", "300/2 420/0 #0a141e #010203 1 111 1 0/0/0"},
            // Style -3, non-numbers, out-of-range colours.
            {"x 4 461 2 621 2 500 3 900 -10 256 999 40 50 60 70 80 90 -1 300 abc -3", "300/4 500/900 #00ffff #00ff00 0 111 1 0/0/0"}};
        for (const auto &[content, expected] : rows) {
            const OverlayParameters p = parseConfig4k(content, shown).value_or(shown);
            const QString actual = QStringLiteral("%1/%2 %3/%4 %5 %6 %7 %8%9%10 %11 %12/%13/%14")
                                       .arg(p.circles[0].radius).arg(p.circles[0].thickness)
                                       .arg(p.reticleLength).arg(p.reticleAngleTenths)
                                       .arg(p.circles[0].color.name()).arg(p.reticleColor.name()).arg(p.reticleStyle)
                                       .arg(int(p.circles[0].enabled)).arg(int(p.circles[1].enabled))
                                       .arg(int(p.circles[2].enabled)).arg(int(p.reticleEnabled))
                                       .arg(p.offset.x()).arg(p.offset.y()).arg(int(p.offsetEnabled));
            QCOMPARE(actual, expected);
            QCOMPARE(p.circles[0].color.alpha(), 255);
        }
        // What is read back is written again as it was.
        const QByteArray full = head22 + "1 0 1 0 0 -5 6 1\n";
        QCOMPARE(formatConfig4k(*parseConfig4k(full, shown)), full);
        QCOMPARE(formatConfig1k(*parseConfig4k(full, shown)), QByteArray("301 4 461 2 621 2 500 3 900 0 1 0 0 -5 6 1\n"));
    }

    // Hand-edited files are read leniently; the centre code needs both numbers.
    void parsingOfHandEditedFiles()
    {
        QCOMPARE(parseIntegerFields("5 abc 7 1.5 0x10 8"), (QList<int>{5, 0, 7, 0, 0, 8}));
        QCOMPARE(parseIntegerFields("007 99999999999"), (QList<int>{7, 0}));
        QVERIFY(parseIntegerFields(" \n\t").isEmpty());
        QCOMPARE(parseCenterCode("010 -3"), std::optional<QPoint>(QPoint(10, -3)));
        for (const char *refused : {"960", "960 x540", "4294968256 540"})   // too big is not wrapped into a plausible 960
            QCOMPARE(parseCenterCode(refused), std::nullopt);
        QCOMPARE(parseCenterCode("+5\r\n-0"), std::optional<QPoint>(QPoint(5, 0)));
    }

    void atomicWriteReplacesWholeFileOrNothing()
    {
        // Saved files carry the platform's line ends, as an editor there expects.
        const QByteArray lineEnd = QSysInfo::productType() == QLatin1String("windows") ? "\r\n" : "\n";
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("config4k.txt"));
        const auto raw = [&] { QFile file(path); return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(); };
        QVERIFY(writeFileAtomically(path, "1 2 3 4 5 6 7 8 9\n") && writeFileAtomically(path, "1 2\n"));
        QCOMPARE(raw(), "1 2" + lineEnd);

        // A write that dies halfway must neither touch the old file nor leave the half behind.
        setWriteFaultInjector([&](const QString &target) { return target == path ? 3 : -1; });
        QString error;
        QVERIFY(!writeFileAtomically(path, "9 9 9 9 9 9\n", &error) && !error.isEmpty());
        QCOMPARE(raw(), "1 2" + lineEnd);
        // A write-protected file (also against root) is its owner's to keep: refused before a temporary exists.
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
        QVERIFY(!writeFileAtomically(path, "9\n", &error));
        QCOMPARE(std::pair(error, raw()), std::pair(QStringLiteral("the file is write-protected"), "1 2" + lineEnd));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("config4k.txt")});
        setWriteFaultInjector({});
        QVERIFY(!writeFileAtomically(folder.filePath(QStringLiteral("missing/focus.txt")), "1 2\n"));
    }
};

QTEST_GUILESS_MAIN(PersistenceTest)
#include "persistence_test.moc"
