#include "camera/demo/demo_camera_platform.h"
#include "camera/demo/demo_video_capture.h"
#include "tests/support/fake_camera_platform.h"
#include "tests/support/fake_video_capture.h"

#include <QTest>

#include <opencv2/videoio.hpp>

class DemoCameraTest : public QObject {
    Q_OBJECT

private slots:
    void isListedAfterTheRealDevicesWhichStillReachTheSystem()
    {
        auto system = std::make_unique<FakeCameraPlatform>();
        system->devices = {{0, QStringLiteral("vesk5")}, {2, QStringLiteral("Webcam")}};
        system->ranges.insert(0, ReportedRanges{ReportedRange{0, 255, 128}, {}, {}, {}});
        FakeVideoCapture *real = nullptr;
        system->captureFactory = [&real] {
            auto made = std::make_unique<FakeVideoCapture>();
            real = made.get();
            return made;
        };
        DemoCameraPlatform platform(std::move(system), *parseDemoCameraConfig(QStringLiteral("vesk3"), {}, {}, true));

        const auto devices = platform.listVideoInputs();
        QCOMPARE(devices.size(), std::size_t(3));
        QCOMPARE(devices[0].name, QStringLiteral("vesk5"));
        QCOMPARE(devices[2].name, QStringLiteral("vesk3"));
        QCOMPARE(devices[2].index, DemoVideoCapture::deviceIndex);
        const auto demo = platform.queryRanges(devices[2]);
        QVERIFY(demo && demo->exposure && demo->exposure->minimum == -13);
        const auto attached = platform.queryRanges(devices[0]);
        QVERIFY(attached && attached->brightness && attached->brightness->maximum == 255);

        auto capture = platform.createCapture();
        const cv::Mat realFrame(48, 64, CV_8UC3, cv::Scalar(1, 2, 3));
        real->setSteadyFrame(realFrame);
        QVERIFY(capture->open(0, cv::CAP_V4L2, {}));
        QCOMPARE(real->openCalls().at(0).index, 0);
        cv::Mat frame;
        QVERIFY(capture->read(frame));
        QCOMPARE(frame.data, realFrame.data);
        QVERIFY(capture->set(cv::CAP_PROP_GAIN, 3));
        QCOMPARE(real->setCalls().size(), std::size_t(1));

        // Opening the demo closes the real device; the demo's frames are its own.
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2,
                              {cv::CAP_PROP_FRAME_WIDTH, 320, cv::CAP_PROP_FRAME_HEIGHT, 240}));
        QVERIFY(!real->isOpened());
        QVERIFY(capture->read(frame));
        QCOMPARE(frame.size(), cv::Size(320, 240));
        capture->release();
        QVERIFY(!capture->isOpened());
    }
};

QTEST_MAIN(DemoCameraTest)
#include "demo_camera_test.moc"
