#include "camera/control_write_path.h"
#include "camera/v4l2/v4l2_control_source.h"
#include "tests/support/fake_control_source.h"

#include <QTest>

#include <opencv2/videoio.hpp>

#include <cstring>
#include <stdexcept>

namespace {

v4l2_queryctrl query(quint32 type, int minimum, int maximum, int step, quint32 flags = 0)
{
    v4l2_queryctrl q{};
    q.id = V4L2_CID_EXPOSURE_ABSOLUTE;
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

class ControlsTest : public QObject {
    Q_OBJECT

private slots:
    void driverDescriptionsBecomeControls()
    {
        const auto exposure = controlFromQuery(query(V4L2_CTRL_TYPE_INTEGER, 3, 2047, 1, V4L2_CTRL_FLAG_INACTIVE));
        QCOMPARE(exposure->name, QStringLiteral("Exposure Time, Absolute"));
        QCOMPARE(exposure->type, CameraControlType::Integer);
        QCOMPARE(std::make_tuple(exposure->minimum, exposure->maximum, exposure->defaultValue, exposure->value),
                 std::make_tuple(3, 2047, 250, 250));
        QVERIFY(exposure->inactive && !isControlEditable(*exposure));
        // Menus and buttons report step 0, which must not reach a slider or the step grid.
        QCOMPARE(controlFromQuery(query(V4L2_CTRL_TYPE_MENU, 0, 3, 0))->step, 1);
        QCOMPARE(controlFromQuery(query(V4L2_CTRL_TYPE_INTEGER_MENU, 0, 4, 1))->type, CameraControlType::IntegerMenu);
        QCOMPARE(controlFromQuery(query(V4L2_CTRL_TYPE_BUTTON, 0, 0, 0))->type, CameraControlType::Button);
        for (v4l2_ctrl_type type : {V4L2_CTRL_TYPE_CTRL_CLASS, V4L2_CTRL_TYPE_INTEGER64, V4L2_CTRL_TYPE_STRING,
                                    V4L2_CTRL_TYPE_BITMASK, V4L2_CTRL_TYPE_U8})
            QVERIFY(!controlFromQuery(query(type, 0, 1, 1)));
        // Another user holding the control makes it as unchangeable as a read-only one.
        QVERIFY(controlFromQuery(query(V4L2_CTRL_TYPE_INTEGER, 0, 9, 1, V4L2_CTRL_FLAG_GRABBED))->readOnly);
        QVERIFY(!hasReadableValue(query(V4L2_CTRL_TYPE_INTEGER, 0, 9, 1, V4L2_CTRL_FLAG_WRITE_ONLY)));
        QVERIFY(!hasReadableValue(query(V4L2_CTRL_TYPE_BUTTON, 0, 0, 0)));

        // The driver may fill all 32 name bytes without a terminator.
        v4l2_queryctrl full = query(V4L2_CTRL_TYPE_INTEGER, 0, 1, 1);
        std::memset(full.name, 'N', sizeof full.name);
        QCOMPARE(controlFromQuery(full)->name, QString(32, QLatin1Char('N')));

        v4l2_querymenu item{};
        item.index = 2;
        item.value = -5000000000LL;
        QCOMPARE(menuItemFromQuery(item, CameraControlType::IntegerMenu).text, QStringLiteral("-5000000000"));
        std::strcpy(reinterpret_cast<char *>(item.name), "Manual Mode");
        QCOMPARE(menuItemFromQuery(item, CameraControlType::Menu).text, QStringLiteral("Manual Mode"));
        QCOMPARE(menuItemFromQuery(item, CameraControlType::Menu).index, 2);
    }

    void eachWriteTakesOneRouteAndFailuresAreLoggedOnce()
    {
        FakeControlSource source;
        source.controls = {fakeControl(1, CameraControlType::Integer, 0, 255, 0), fakeControl(2, CameraControlType::Menu, 0, 2, 1)};
        source.captureProperties.insert(1, cv::CAP_PROP_BRIGHTNESS);
        QList<std::tuple<int, double, QString>> captureWrites;
        bool captureAccepts = true;
        QStringList log;
        ControlWritePath path(
            source,
            [&](int property, double value, const QString &name) {
                captureWrites.append({property, value, name});
                return captureAccepts;
            },
            [&](const QString &line) { log.append(line); });

        QVERIFY(path.write(source.controls[0], 64));
        QCOMPARE(captureWrites, (QList<std::tuple<int, double, QString>>{{cv::CAP_PROP_BRIGHTNESS, 64.0, "Control 1"}}));
        QVERIFY(path.write(source.controls[1], 1));
        QCOMPARE(source.writes, (std::vector<std::pair<quint32, int>>{{2, 1}}));
        QCOMPARE(captureWrites.size(), 1);

        // The capture write logs its own refusals; the source's are logged here.
        captureAccepts = false;
        source.refused.insert(2);
        QVERIFY(!path.write(source.controls[0], 300));
        QVERIFY(!path.write(source.controls[1], 2));
        QCOMPARE(log, QStringList{QStringLiteral("Driver rejected Control 2=2")});

        ControlWritePath throwing(
            source, [](int, double, const QString &) -> bool { throw cv::Exception(0, "bad", "set", "file", 1); },
            [&](const QString &line) { log.append(line); });
        source.refused.clear();
        source.afterWrite = [](FakeControlSource &) { throw std::runtime_error("unplugged"); };
        QVERIFY(!throwing.write(source.controls[0], 7));
        QVERIFY(!throwing.write(source.controls[1], 1));
        QVERIFY(log.value(1).startsWith(QStringLiteral("OpenCV exception while setting Control 1=7: ")));
        QCOMPARE(log.value(2), QStringLiteral("Exception while setting Control 2=1: unplugged"));
    }

    void missingOrForeignNodeListsNothing()
    {
        // No camera on a test machine: a missing node and a node that is no video device.
        for (const QString &path : {QStringLiteral("/dev/video-none"), QStringLiteral("/dev/null")}) {
            V4l2ControlSource source(path);
            QVERIFY(source.listControls().empty());
            QVERIFY(!source.writeControl(V4L2_CID_BRIGHTNESS, 1));
        }
    }
};

QTEST_APPLESS_MAIN(ControlsTest)
#include "controls_test.moc"
