#include "app/diagnostic_log.h"
#include "app/file_locations.h"
#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "tests/support/message_recorder.h"
#include "view/image_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

// This executable is built into a bin/ folder and made to look installed by a share/vesk/ beside
// it, so the program must keep every file it writes in the user's folders instead.
namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class InstalledCopyTest : public QObject {
    Q_OBJECT

private slots:
    void savesAndLogsInTheUserFoldersAndFindsItsPicture()
    {
        QTemporaryDir home;
        const QString share = installedDataFolder(QCoreApplication::applicationDirPath());
        QVERIFY(QDir().mkpath(share));
        QImage picture(160, 90, QImage::Format_RGB32);
        picture.fill(QColor(100, 100, 100));
        QVERIFY(picture.save(share + QStringLiteral("/vesk-background.jpg"), "JPEG", 95));
        // Before anything asks where files go: the answer is fixed for the run.
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("cfg"))));
        qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral("st"))));
        qputenv("XDG_DATA_HOME", "relative/is/ignored");
        QCOMPARE(fileLocations().placement, FilePlacement::InstalledCopy);
        QCOMPARE(fileLocations().snapshotFolder, home.filePath(QStringLiteral(".local/share/VESK/snapshots")));

        // A copy that came with its set-up beside it reads that until the user's own copy exists.
        QDir beside(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("config")));
        const QByteArray besideFiles[] = {"960 540\n", "301 4 461 2 621 2 500 3 900 10 20 30 40 50 60 70 80 90 1 2 3 1\n"};
        QFile focus(beside.filePath(QStringLiteral("focus.txt"))), config4k(beside.filePath(QStringLiteral("config4k.txt")));
        QVERIFY(beside.mkpath(QStringLiteral(".")) && focus.open(QIODevice::WriteOnly) && focus.write(besideFiles[0]) > 0 && focus.flush()
                && config4k.open(QIODevice::WriteOnly) && config4k.write(besideFiles[1]) > 0 && config4k.flush());
        MessageRecorder messages;
        {
            MainWindow window(std::make_unique<FakeCameraPlatform>());
            MainWindowTestAccess a(window);
            a.loadParameters();
            QCOMPARE(std::pair(a.centerCodeX(), a.circleRadiusSliders()[0]->value()), std::pair(960, 301));
            a.circleRadiusSliders()[1]->setValue(1234);
            a.saveParameters();
            a.saveFocusCenter();
        }
        QCOMPARE(std::pair(messages.messages.size(), messages.messages.value(0).text), std::pair(qsizetype(2), QStringLiteral("Parameters saved.")));
        QCOMPARE(std::pair(readFile(home.filePath(QStringLiteral("cfg/VESK/config1k.txt"))).split(' ').size(),
                           readFile(home.filePath(QStringLiteral("cfg/VESK/focus.txt")))), std::pair(qsizetype(16), QByteArray("960 540\n")));
        QCOMPARE(std::pair(readFile(focus.fileName()), readFile(config4k.fileName())), std::pair(besideFiles[0], besideFiles[1]));
        MainWindow reopened(std::make_unique<FakeCameraPlatform>());
        QCOMPARE(MainWindowTestAccess(reopened).circleRadiusSliders()[1]->value(), 1234);
        QVERIFY(beside.removeRecursively());

        DiagnosticLog(QStringLiteral("installed copy line"));
        const QByteArray log = readFile(home.filePath(QStringLiteral("st/VESK/vesk-diagnostic.log")));
        QCOMPARE(std::pair(log.contains("installed copy line"), log.count("Reading focus.txt from " + beside.path().toUtf8() + '\n')), std::pair(true, qsizetype(1)));
        // Nothing beside the executable: no config/, no log, no trace of the writable probe.
        QCOMPARE(QDir(QCoreApplication::applicationDirPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QFileInfo(QCoreApplication::applicationFilePath()).fileName()});

        ImageView view;
        view.resize(692, 412);
        const QColor middle = view.grab().toImage().pixelColor(346, 206);
        QDir(QFileInfo(share).absolutePath()).removeRecursively();
        QCOMPARE(std::pair(qAbs(middle.red() - 100) <= 3, qAbs(middle.blue() - 100) <= 3), std::pair(true, true));
    }
};

QTEST_MAIN(InstalledCopyTest)
#include "installed_copy_test.moc"
