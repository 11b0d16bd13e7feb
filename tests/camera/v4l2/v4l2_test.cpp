#include "camera/v4l2/v4l2_control_source.h"
#include "camera/v4l2/v4l2_devices.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

v4l2_queryctrl query(quint32 type, int minimum, int maximum, int step, quint32 flags = 0)
{
    v4l2_queryctrl q{};
    q.type = type;
    std::strcpy(reinterpret_cast<char *>(q.name), "Exposure Time, Absolute");
    q.minimum = minimum;
    q.maximum = maximum;
    q.step = step;
    q.default_value = 250;
    q.flags = flags;
    return q;
}

} // namespace

class V4l2Test : public QObject {
    Q_OBJECT

private slots:
    void driverTextsAndNodeNames()
    {
        const auto clean = [](const char *text) {
            char card[32] = {};
            std::memcpy(card, text, std::strlen(text));
            return cleanCardName(card, sizeof card);
        };
        QCOMPARE(clean("vesk5: vesk5"), std::string("vesk5"));
        QCOMPARE(clean("A: B: A: B"), std::string("A: B"));
        for (const char *kept : {"", ": ", "Cam: Other", "vesk5.8: vesk5"})
            QCOMPARE(clean(kept), std::string(kept));
        // The kernel cut the doubled name at 31 characters.
        QCOMPARE(clean("ves reticle cam: ves reticle ca"), std::string("ves reticle cam"));
        // Drivers may fill a text field without a terminator.
        char full[32];
        std::memset(full, 'x', sizeof full);
        QCOMPARE(cleanCardName(full, sizeof full), std::string(32, 'x'));
        v4l2_queryctrl named = query(V4L2_CTRL_TYPE_INTEGER, 0, 1, 1);
        std::memset(named.name, 'N', sizeof named.name);
        QCOMPARE(controlFromQuery(named)->name, QString(32, QLatin1Char('N')));

        QCOMPARE(videoNodeNumber("video12"), std::optional<int>(12));
        for (const char *name : {"video", "video01", "videox", "video1a", "vbi0", "video99999999999"})
            QVERIFY2(!videoNodeNumber(name), name);
    }

    void driverDescriptionsBecomeControlsAndRanges()
    {
        // Menus and buttons report step 0, which must not reach a slider or the step grid.
        QCOMPARE(controlFromQuery(query(V4L2_CTRL_TYPE_MENU, 0, 3, 0))->step, 1);
        for (v4l2_ctrl_type type : {V4L2_CTRL_TYPE_CTRL_CLASS, V4L2_CTRL_TYPE_INTEGER64, V4L2_CTRL_TYPE_STRING,
                                    V4L2_CTRL_TYPE_BITMASK, V4L2_CTRL_TYPE_U8})
            QVERIFY(!controlFromQuery(query(type, 0, 1, 1)));
        // Another user holding the control makes it as unchangeable as a read-only one.
        QVERIFY(controlFromQuery(query(V4L2_CTRL_TYPE_INTEGER, 0, 9, 1, V4L2_CTRL_FLAG_GRABBED))->readOnly);
        QVERIFY(!hasReadableValue(query(V4L2_CTRL_TYPE_INTEGER, 0, 9, 1, V4L2_CTRL_FLAG_WRITE_ONLY)));
        QVERIFY(!hasReadableValue(query(V4L2_CTRL_TYPE_BUTTON, 0, 0, 0)));

        v4l2_querymenu item{};
        item.value = -5000000000LL;
        QCOMPARE(menuItemFromQuery(item, CameraControlType::IntegerMenu).text, QStringLiteral("-5000000000"));
        std::strcpy(reinterpret_cast<char *>(item.name), "Manual Mode");
        QCOMPARE(menuItemFromQuery(item, CameraControlType::Menu).text, QStringLiteral("Manual Mode"));

        // Inactive while an auto mode runs is still a usable range; disabled is none.
        const auto range = rangeFromQueryCtrl(query(V4L2_CTRL_TYPE_INTEGER, -13, -1, 1, V4L2_CTRL_FLAG_INACTIVE));
        QVERIFY(range);
        QCOMPARE(std::tuple(range->minimum, range->maximum, range->defaultValue), std::tuple(-13, -1, 250));
        QVERIFY(!rangeFromQueryCtrl(query(V4L2_CTRL_TYPE_INTEGER, 0, 9, 1, V4L2_CTRL_FLAG_DISABLED)));
    }

    // Only character devices are cameras; anything else must be refused, not read or written.
    void whatIsNoVideoDeviceListsNothing()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath(QStringLiteral("video0"))).open(QIODevice::WriteOnly));
        QCOMPARE(std::pair(listV4l2CaptureNodes(dir.path().toStdString()).size(), bool(queryV4l2ControlRanges(0, dir.path().toStdString()))), std::pair(std::size_t(0), false));
        V4l2ControlSource source(QStringLiteral("/dev/null"));
        QCOMPARE(std::pair(source.listControls().size(), source.writeControl(V4L2_CID_BRIGHTNESS, 1)), std::pair(std::size_t(0), false));
    }
};

QTEST_GUILESS_MAIN(V4l2Test)
#include "v4l2_test.moc"
