#include "camera/control_write_path.h"
#include "camera/v4l2_capture_properties.h"
#include "camera/v4l2_control_source.h"
#include "tests/support/fake_control_source.h"

#include <QTest>

#include <opencv2/videoio.hpp>

#include <cstring>
#include <stdexcept>

namespace {

v4l2_queryctrl query(quint32 id, quint32 type, const char *name, int minimum, int maximum, int step,
                     int defaultValue, quint32 flags = 0)
{
    v4l2_queryctrl q{};
    q.id = id;
    q.type = type;
    std::strncpy(reinterpret_cast<char *>(q.name), name, sizeof q.name);
    q.minimum = minimum;
    q.maximum = maximum;
    q.step = step;
    q.default_value = defaultValue;
    q.flags = flags;
    return q;
}

CameraControl control(quint32 id, const QString &name)
{
    CameraControl c;
    c.id = id;
    c.name = name;
    c.minimum = 0;
    c.maximum = 255;
    return c;
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT

private slots:
    void queryMapsEveryWidgetKindAndSkipsTheRest()
    {
        const auto exposure = controlFromQuery(query(V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER,
                                                     "Exposure Time, Absolute", 3, 2047, 1, 250,
                                                     V4L2_CTRL_FLAG_INACTIVE));
        QVERIFY(exposure);
        QCOMPARE(exposure->type, CameraControlType::Integer);
        QCOMPARE(exposure->name, QStringLiteral("Exposure Time, Absolute"));
        QCOMPARE(exposure->minimum, 3);
        QCOMPARE(exposure->maximum, 2047);
        QCOMPARE(exposure->defaultValue, 250);
        QCOMPARE(exposure->value, 250);
        QVERIFY(exposure->inactive && !exposure->disabled && !exposure->readOnly);
        QVERIFY(!isControlEditable(*exposure));

        // Menus report step 0, which must not reach a slider or the step grid.
        const auto menu = controlFromQuery(query(V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 0, 3));
        QCOMPARE(menu->type, CameraControlType::Menu);
        QCOMPARE(menu->step, 1);
        QCOMPARE(controlFromQuery(query(1, V4L2_CTRL_TYPE_BOOLEAN, "b", 0, 1, 1, 0))->type, CameraControlType::Boolean);
        QCOMPARE(controlFromQuery(query(2, V4L2_CTRL_TYPE_INTEGER_MENU, "m", 0, 4, 1, 0))->type, CameraControlType::IntegerMenu);
        QCOMPARE(controlFromQuery(query(3, V4L2_CTRL_TYPE_BUTTON, "p", 0, 0, 0, 0))->type, CameraControlType::Button);
        for (v4l2_ctrl_type type : {V4L2_CTRL_TYPE_CTRL_CLASS, V4L2_CTRL_TYPE_INTEGER64, V4L2_CTRL_TYPE_STRING,
                                    V4L2_CTRL_TYPE_BITMASK, V4L2_CTRL_TYPE_U8})
            QVERIFY(!controlFromQuery(query(4, type, "x", 0, 1, 1, 0)));

        // A grabbed control cannot be changed now; a disabled one has no readable value.
        QVERIFY(controlFromQuery(query(5, V4L2_CTRL_TYPE_INTEGER, "g", 0, 9, 1, 0, V4L2_CTRL_FLAG_GRABBED))->readOnly);
        QVERIFY(controlFromQuery(query(6, V4L2_CTRL_TYPE_INTEGER, "d", 0, 9, 1, 0, V4L2_CTRL_FLAG_DISABLED))->disabled);
        QVERIFY(!hasReadableValue(query(6, V4L2_CTRL_TYPE_INTEGER, "d", 0, 9, 1, 0, V4L2_CTRL_FLAG_DISABLED)));
        QVERIFY(!hasReadableValue(query(7, V4L2_CTRL_TYPE_INTEGER, "w", 0, 9, 1, 0, V4L2_CTRL_FLAG_WRITE_ONLY)));
        QVERIFY(!hasReadableValue(query(3, V4L2_CTRL_TYPE_BUTTON, "p", 0, 0, 0, 0)));
        QVERIFY(hasReadableValue(query(1, V4L2_CTRL_TYPE_BOOLEAN, "b", 0, 1, 1, 0)));

        // The driver may fill all 32 name bytes without a terminator.
        const QByteArray longName(32, 'N');
        v4l2_queryctrl full = query(8, V4L2_CTRL_TYPE_INTEGER, "", 0, 1, 1, 0);
        std::memcpy(full.name, longName.constData(), sizeof full.name);
        QCOMPARE(controlFromQuery(full)->name, QString::fromLatin1(longName));
    }

    void menuItemsAreNamedOrNumbered()
    {
        v4l2_querymenu named{};
        named.index = 1;
        std::strcpy(reinterpret_cast<char *>(named.name), "Manual Mode");
        const CameraMenuItem item = menuItemFromQuery(named, CameraControlType::Menu);
        QCOMPARE(item.index, 1);
        QCOMPARE(item.text, QStringLiteral("Manual Mode"));

        v4l2_querymenu number{};
        number.index = 2;
        number.value = -5000000000LL;
        QCOMPARE(menuItemFromQuery(number, CameraControlType::IntegerMenu).text, QStringLiteral("-5000000000"));
    }

    void panelControlsUseThePanelsCaptureProperties()
    {
        QCOMPARE(capturePropertyForV4l2Control(V4L2_CID_BRIGHTNESS), std::optional<int>(cv::CAP_PROP_BRIGHTNESS));
        QCOMPARE(capturePropertyForV4l2Control(V4L2_CID_GAIN), std::optional<int>(cv::CAP_PROP_GAIN));
        QCOMPARE(capturePropertyForV4l2Control(V4L2_CID_FOCUS_ABSOLUTE), std::optional<int>(cv::CAP_PROP_FOCUS));
        QCOMPARE(capturePropertyForV4l2Control(V4L2_CID_FOCUS_AUTO), std::optional<int>(cv::CAP_PROP_AUTOFOCUS));
        QCOMPARE(capturePropertyForV4l2Control(V4L2_CID_EXPOSURE_ABSOLUTE), std::optional<int>(cv::CAP_PROP_EXPOSURE));
        QCOMPARE(capturePropertyForV4l2Control(V4L2_CID_EXPOSURE_AUTO), std::optional<int>(cv::CAP_PROP_AUTO_EXPOSURE));
        QVERIFY(!capturePropertyForV4l2Control(V4L2_CID_POWER_LINE_FREQUENCY));
        QVERIFY(!capturePropertyForV4l2Control(V4L2_CID_AUTO_WHITE_BALANCE));
    }

    void writesTakeOneRouteOnceAndReportRefusals()
    {
        FakeControlSource source;
        source.controls = {control(V4L2_CID_BRIGHTNESS, "Brightness"), control(V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency")};
        source.captureProperties.insert(V4L2_CID_BRIGHTNESS, cv::CAP_PROP_BRIGHTNESS);
        struct Call {
            int property;
            double value;
            QString name;
        };
        QList<Call> calls;
        bool captureAccepts = true;
        QStringList log;
        ControlWritePath path(
            source,
            [&](int property, double value, const QString &name) {
                calls.append({property, value, name});
                return captureAccepts;
            },
            [&](const QString &line) { log.append(line); });

        QVERIFY(path.write(source.controls[0], 64));
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].property, int(cv::CAP_PROP_BRIGHTNESS));
        QCOMPARE(calls[0].value, 64.0);
        QCOMPARE(calls[0].name, QStringLiteral("Brightness"));
        QVERIFY(source.writes.empty());

        // The capture write logs its own refusals; the path must not add a second line.
        captureAccepts = false;
        QVERIFY(!path.write(source.controls[0], 300));
        QVERIFY(log.isEmpty());

        QVERIFY(path.write(source.controls[1], 1));
        QCOMPARE(calls.size(), 2);
        QCOMPARE(source.writes.size(), std::size_t(1));
        QCOMPARE(source.writes[0], std::make_pair(quint32(V4L2_CID_POWER_LINE_FREQUENCY), 1));

        source.refused.insert(V4L2_CID_POWER_LINE_FREQUENCY);
        QVERIFY(!path.write(source.controls[1], 2));
        QCOMPARE(log, QStringList{QStringLiteral("Driver rejected Power Line Frequency=2")});
    }

    void exceptionsBecomeLoggedFailures()
    {
        FakeControlSource source;
        source.controls = {control(1, "Gain"), control(2, "LED")};
        source.captureProperties.insert(1, cv::CAP_PROP_GAIN);
        source.afterWrite = [](FakeControlSource &) { throw std::runtime_error("unplugged"); };
        QStringList log;
        ControlWritePath path(
            source, [](int, double, const QString &) -> bool { throw cv::Exception(0, "bad", "set", "file", 1); },
            [&](const QString &line) { log.append(line); });

        QVERIFY(!path.write(source.controls[0], 7));
        QVERIFY(!path.write(source.controls[1], 1));
        QCOMPARE(log.size(), 2);
        QVERIFY(log[0].startsWith(QStringLiteral("OpenCV exception while setting Gain=7: ")));
        QCOMPARE(log[1], QStringLiteral("Exception while setting LED=1: unplugged"));
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
