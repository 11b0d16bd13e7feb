#include "camera/demo/demo_camera_config.h"
#include "camera/demo/demo_camera_platform.h"
#include "camera/demo/demo_pattern.h"
#include "camera/demo/demo_video_capture.h"
#include "decode/mjpeg_decoder.h"
#include "tests/support/fake_camera_platform.h"

#include <QtTest>

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <chrono>

namespace {

std::unique_ptr<DemoCameraPlatform> demoPlatform(const QString &fault = QString(), const QString &fps = QStringLiteral("100"),
                                                 bool decodesMjpg = false)
{
    auto system = std::make_unique<FakeCameraPlatform>();
    system->devices = {{0, QStringLiteral("vesk5")}, {2, QStringLiteral("Webcam")}};
    DemoCameraConfig config = *parseDemoCameraConfig(QStringLiteral("vesk3"), fps, fault, true);
    config.decodesMjpg = decodesMjpg;
    return std::make_unique<DemoCameraPlatform>(std::move(system), config);
}

// The whole frame as the decoder sees it, or an empty matrix when it is not a JPEG.
cv::Mat decodeWhole(const cv::Mat &compressed, FrameBuffer &buffer)
{
    MjpegDecoder decoder;
    DecodePlan plan;
    if (!decoder.decode(compressed.data, compressed.total(), ViewRequest{}, buffer, plan))
        return {};
    return buffer.mat();
}

std::vector<int> openParams(int width, int height)
{
    return {cv::CAP_PROP_FRAME_WIDTH, width, cv::CAP_PROP_FRAME_HEIGHT, height,
            cv::CAP_PROP_FOURCC, cv::VideoWriter::fourcc('M', 'J', 'P', 'G')};
}

} // namespace

class DemoCameraTest : public QObject {
    Q_OBJECT

private slots:
    void configComesFromTheEnvironmentValues()
    {
        QVERIFY(!parseDemoCameraConfig(QStringLiteral("vesk5"), {}, {}, false));

        const auto named = parseDemoCameraConfig(QStringLiteral(" vesk5.8 "), QStringLiteral("30"), {}, true);
        QCOMPARE(named->name, QStringLiteral("vesk5.8"));
        QCOMPARE(named->framesPerSecond, 30.0);

        // Unknown names, rates and faults fall back instead of failing the start.
        const auto odd = parseDemoCameraConfig(QStringLiteral("VESK5"), QStringLiteral("0"),
                                               QStringLiteral("explode-after:3"), true);
        QCOMPARE(odd->name, QStringLiteral("vesk7.2"));
        QCOMPARE(odd->framesPerSecond, 15.0);
        QCOMPARE(odd->fault, DemoCameraConfig::Fault::None);

        const auto stall = parseDemoCameraConfig({}, {}, QStringLiteral("stall-after:300"), true);
        QCOMPARE(stall->fault, DemoCameraConfig::Fault::StallAfter);
        QCOMPARE(stall->faultAfterFrames, 300);
        QCOMPARE(parseDemoCameraConfig({}, {}, QStringLiteral("unplug-after:-1"), true)->fault,
                 DemoCameraConfig::Fault::None);
    }

    void isListedAfterTheRealDevicesWithItsRanges()
    {
        auto platform = demoPlatform();
        const auto devices = platform->listVideoInputs();
        QCOMPARE(devices.size(), std::size_t(3));
        QCOMPARE(devices[0].name, QStringLiteral("vesk5"));
        QCOMPARE(devices[2].name, QStringLiteral("vesk3"));
        QCOMPARE(devices[2].index, DemoVideoCapture::deviceIndex);

        const auto ranges = platform->queryRanges(devices[2]);
        QVERIFY(ranges && ranges->brightness && ranges->exposure);
        QCOMPARE(ranges->exposure->minimum, -13);
        // Real devices are still asked of the system's stack (the fake knows no ranges).
        QVERIFY(!platform->queryRanges(devices[0]));
    }

    void deliversPacedFramesOfTheRequestedSizeIntoTheSameBuffer()
    {
        auto platform = demoPlatform();
        auto capture = platform->createCapture();
        QVERIFY(!capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(8, 8)));
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(320, 240)));
        QVERIFY(capture->isOpened());
        QCOMPARE(capture->get(cv::CAP_PROP_FRAME_WIDTH), 320.0);

        cv::Mat frame;
        QVERIFY(capture->read(frame));
        QCOMPARE(frame.cols, 320);
        QCOMPARE(frame.rows, 240);
        QCOMPARE(frame.type(), CV_8UC3);
        const uchar *buffer = frame.data;

        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 10; ++i)
            QVERIFY(capture->read(frame));
        const auto elapsed = std::chrono::steady_clock::now() - start;
        // 100 frames per second: after a catch-up read, ten more frames span at least eight periods.
        QVERIFY(elapsed >= std::chrono::milliseconds(80));
        QCOMPARE(frame.data, buffer);
        const FrameStamp stamp = readFrameStamp(frame.data);
        QCOMPARE(stamp.sequence, std::uint64_t(11));
        QVERIFY(stamp.captureTimeNs <= std::chrono::duration_cast<std::chrono::nanoseconds>(
                                           std::chrono::steady_clock::now().time_since_epoch()).count());

        capture->release();
        QVERIFY(!capture->isOpened());
        QVERIFY(!capture->read(frame));
    }

    void pictureControlsChangeThePicture()
    {
        auto platform = demoPlatform();
        auto capture = platform->createCapture();
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(320, 240)));
        cv::Mat frame;
        QVERIFY(capture->read(frame));
        const double normal = cv::mean(frame)[1];

        // It powers up in auto exposure, which refuses a manual exposure as UVC drivers do.
        QVERIFY(!capture->set(cv::CAP_PROP_EXPOSURE, -3));
        QVERIFY(capture->set(cv::CAP_PROP_AUTO_EXPOSURE, 1));
        QVERIFY(capture->set(cv::CAP_PROP_EXPOSURE, -3));
        QVERIFY(capture->set(cv::CAP_PROP_GAIN, 8));
        QVERIFY(capture->read(frame));
        QVERIFY(cv::mean(frame)[1] > normal * 1.5);
        QVERIFY(!capture->set(cv::CAP_PROP_SETTINGS, 1));

        // The camera, not the capture object, keeps the values: they survive Close and Open.
        capture->release();
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(320, 240)));
        QCOMPARE(capture->get(cv::CAP_PROP_GAIN), 8.0);
        QVERIFY(capture->read(frame));
        QVERIFY(cv::mean(frame)[1] > normal * 1.5);
    }

    void rawStreamIsRealMjpgOfTheMovingPicture()
    {
        auto platform = demoPlatform();
        auto capture = platform->createCapture();
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(320, 240)));
        cv::Mat plain;
        QVERIFY(capture->read(plain));

        QVERIFY(capture->set(cv::CAP_PROP_CONVERT_RGB, 0));
        QCOMPARE(capture->get(cv::CAP_PROP_CONVERT_RGB), 0.0);
        cv::Mat first;
        cv::Mat second;
        QVERIFY(capture->read(first));
        QVERIFY(capture->read(second));
        QCOMPARE(first.rows, 1);
        QCOMPARE(first.type(), CV_8UC1);
        FrameBuffer firstBuffer;
        FrameBuffer secondBuffer;
        const cv::Mat firstPicture = decodeWhole(first, firstBuffer);
        const cv::Mat secondPicture = decodeWhole(second, secondBuffer);
        QCOMPARE(firstPicture.size(), cv::Size(320, 240));
        QCOMPARE(secondPicture.size(), cv::Size(320, 240));
        // The same target as the decoded stream, apart from compression and the moving marker.
        QVERIFY(cv::norm(firstPicture, plain, cv::NORM_L1) / plain.total() < 12.0);
        QVERIFY(cv::norm(firstPicture, secondPicture, cv::NORM_INF) > 0);

        // A picture change reaches the very next compressed frame.
        const double normal = cv::mean(secondPicture)[1];
        QVERIFY(capture->set(cv::CAP_PROP_BRIGHTNESS, 60));
        QVERIFY(capture->read(first));
        QVERIFY(cv::mean(decodeWhole(first, firstBuffer))[1] > normal + 10);

        QVERIFY(capture->set(cv::CAP_PROP_CONVERT_RGB, 1));
        QVERIFY(capture->read(plain));
        QCOMPARE(plain.type(), CV_8UC3);

        // Every open starts decoded, at its own size, as a device does.
        QVERIFY(capture->set(cv::CAP_PROP_CONVERT_RGB, 0));
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(640, 480)));
        QCOMPARE(capture->get(cv::CAP_PROP_CONVERT_RGB), 1.0);
        QVERIFY(capture->set(cv::CAP_PROP_CONVERT_RGB, 0));
        QVERIFY(capture->read(first));
        QCOMPARE(decodeWhole(first, firstBuffer).size(), cv::Size(640, 480));

        // Decoding like a backend: the plain frames are that stream decoded, and stamped.
        auto decoding = demoPlatform(QString(), QStringLiteral("100"), true);
        capture = decoding->createCapture();
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(320, 240)));
        QVERIFY(capture->read(plain));
        QVERIFY(capture->read(plain));
        QCOMPARE(plain.size(), cv::Size(320, 240));
        QCOMPARE(readFrameStamp(plain.data).sequence, std::uint64_t(2));
        QVERIFY(cv::norm(plain.rowRange(1, 240), secondPicture.rowRange(1, 240), cv::NORM_INF) == 0);
    }

    void stallAndUnplugCanBeProvoked()
    {
        auto stalling = demoPlatform(QStringLiteral("stall-after:2"));
        auto capture = stalling->createCapture();
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(64, 48)));
        // The raw stream stalls the same way.
        QVERIFY(capture->set(cv::CAP_PROP_CONVERT_RGB, 0));
        cv::Mat frame;
        QVERIFY(capture->read(frame));
        QVERIFY(capture->read(frame));
        QVERIFY(!capture->read(frame));
        QVERIFY(frame.empty());
        QCOMPARE(stalling->listVideoInputs().size(), std::size_t(3));

        auto unplugging = demoPlatform(QStringLiteral("unplug-after:1"));
        capture = unplugging->createCapture();
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(64, 48)));
        QVERIFY(capture->read(frame));
        QVERIFY(!capture->read(frame));
        QCOMPARE(unplugging->listVideoInputs().size(), std::size_t(2));
        capture->release();
        QVERIFY(!capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2, openParams(64, 48)));
    }

    void otherIndexesReachTheSystemCapture()
    {
        auto platform = demoPlatform();
        auto capture = platform->createCapture();
        // The fake system capture is a plain closed cv::VideoCapture: nothing to open at index 0.
        QVERIFY(!capture->open(0, cv::CAP_V4L2, openParams(320, 240)));
        QVERIFY(!capture->isOpened());
        cv::Mat frame;
        QVERIFY(!capture->read(frame));
    }
};

QTEST_MAIN(DemoCameraTest)
#include "demo_camera_test.moc"
