#include "camera/v4l2/v4l2_devices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <linux/videodev2.h>

#include <cstring>

class V4l2DevicesTest : public QObject {
    Q_OBJECT

private slots:
    void cardNamesLoseTheDriversDoubling()
    {
        const auto clean = [](const char *text) {
            char card[32] = {};
            std::memcpy(card, text, std::strlen(text));
            return cleanCardName(card, sizeof card);
        };
        QCOMPARE(clean("vesk5: vesk5"), std::string("vesk5"));
        QCOMPARE(clean("A: B: A: B"), std::string("A: B"));
        for (const char *kept : {"vesk5", "", ": ", "Cam: Other", "vesk5.8: vesk5"})
            QCOMPARE(clean(kept), std::string(kept));
        // The kernel cut the doubled name at 31 characters.
        QCOMPARE(clean("ves reticle cam: ves reticle ca"), std::string("ves reticle cam"));
        // A card that fills the field has no terminator at all.
        char full[32];
        std::memset(full, 'x', sizeof full);
        QCOMPARE(cleanCardName(full, sizeof full), std::string(32, 'x'));
    }

    void controlsAndNodeNamesMapToRanges()
    {
        v4l2_queryctrl control {};
        control.minimum = -13;
        control.maximum = -1;
        control.default_value = -7;
        control.flags = V4L2_CTRL_FLAG_INACTIVE; // inactive while an auto mode runs, still a usable range
        const auto range = rangeFromQueryCtrl(control);
        QVERIFY(range && range->minimum == -13 && range->maximum == -1 && range->defaultValue == -7);
        control.flags = V4L2_CTRL_FLAG_DISABLED;
        QVERIFY(!rangeFromQueryCtrl(control));

        QCOMPARE(videoNodeNumber("video12"), std::optional<int>(12));
        for (const char *name : {"video", "video01", "videox", "video1a", "vbi0", "video99999999999"})
            QVERIFY2(!videoNodeNumber(name), name);
    }

    void nodeScanSkipsWhatIsNotADevice()
    {
        QTemporaryDir dir;
        for (const char *name : {"video0", "video10"})
            QVERIFY(QFile(dir.filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("video3")));
        QVERIFY(listV4l2CaptureNodes(dir.path().toStdString()).empty());
        QVERIFY(!queryV4l2ControlRanges(0, dir.path().toStdString()));
        QVERIFY(!queryV4l2ControlRanges(7, dir.path().toStdString()));
        QVERIFY(listV4l2CaptureNodes(dir.filePath(QStringLiteral("missing")).toStdString()).empty());
    }
};

QTEST_GUILESS_MAIN(V4l2DevicesTest)
#include "v4l2_devices_test.moc"
