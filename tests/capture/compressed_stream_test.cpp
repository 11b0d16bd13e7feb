#include "tests/capture/capture_test_window.h"
#include "tests/decode/test_pictures.h"

#include "decode/zoom_crop.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>

using namespace std::chrono_literals;

namespace {

// One frame as a raw MJPG read returns it: a single row of the compressed bytes.
cv::Mat asRead(const std::vector<uint8_t> &bytes) { return cv::Mat(bytes, true).reshape(1, 1); }

cv::Mat jpegFrame(const cv::Mat &picture) { return asRead(encodePicture(picture, JpegSampling::Yuv422, 90)); }

// Streams `frame` from the open on, from a camera that offers compressed frames or not.
void openStreaming(CaptureTestWindow &t, bool compressed, const cv::Mat &frame)
{
    t.platform().compressedFrames = compressed;
    t.openStreaming(frame, 10ms);
}

// The view without the bands of the frame-rate and sharpness badges: the only parts that may
// differ between two windows showing the same picture at different moments and scales.
QImage paintedWithoutBadges(ImageView *view)
{
    QImage painted = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect picture = view->imageRect().toAlignedRect();
    const int lowerBand = picture.bottom() - 55;
    for (int y = 0; y < painted.height(); ++y) {
        if ((y >= picture.top() && y < picture.top() + 44) || (y >= lowerBand && y < lowerBand + 32))
            std::fill_n(reinterpret_cast<QRgb *>(painted.scanLine(y)), painted.width(), qRgb(0, 0, 0));
    }
    return painted;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) < tolerance && qAbs(qGreen(a) - qGreen(b)) < tolerance
        && qAbs(qBlue(a) - qBlue(b)) < tolerance;
}

} // namespace

class CompressedStreamTest : public QObject {
    Q_OBJECT

private slots:
    void compressedFramesAreShownAtTheViewsScaleAndRegion()
    {
        CaptureTestWindow t;
        t.window->resize(1280, 760);
        t.window->show();
        const cv::Mat picture = texturedPicture(cv::Size(3840, 2160));
        openStreaming(t, true, jpegFrame(picture));
        const auto writes = t.camera->takeWrites();
        QCOMPARE(std::pair(bool(t.access.decodePool()), std::count(writes.begin(), writes.end(), std::pair(int(cv::CAP_PROP_CONVERT_RGB), 0.0)) > 0), std::pair(true, true));

        // The texts come from the JPEG header, as they would from a full frame.
        ImageView *view = t.access.imageView();
        QTRY_COMPARE_WITH_TIMEOUT(t.access.resolutionLabel()->text(), QStringLiteral("3840 x 2160"), 5000);
        QCOMPARE(t.access.statusLabel()->text(), QStringLiteral("Open: vesk5"));
        QTRY_VERIFY_WITH_TIMEOUT(t.access.decodedFrame().plan.scaleDenom > 1, 5000);
        QCOMPARE(view->shownFrameSize(), QSize(3840, 2160));
        // Reduced, yet never below one decoded pixel per drawn pixel.
        QVERIFY(view->currentFrame().width() < 3840 && view->currentFrame().width() >= view->imageRect().width());
        QVERIFY(view->currentFrame().height() >= view->imageRect().height());

        // A snapshot is the whole frame at full size, whatever part the view decodes.
        t.access.setZoom(4.0);
        QDir snapshots(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("snapshots")));
        snapshots.removeRecursively();
        t.access.requestSnapshot();
        QTRY_VERIFY_WITH_TIMEOUT(!t.access.snapshotPending(), 5000);
        const QStringList saved = snapshots.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
        QCOMPARE(saved.size(), 2);
        const QImage snapshot(snapshots.filePath(saved.last()));
        QCOMPARE(snapshot.size(), QSize(3840, 2160));
        const cv::Vec3b expected = picture.at<cv::Vec3b>(1234, 2345);
        QVERIFY(near(snapshot.pixel(2345, 1234), qRgb(expected[2], expected[1], expected[0]), 16));

        // A new size mid-stream changes the texts, and the crop follows it.
        t.camera->setSteadyFrame(jpegFrame(texturedPicture(cv::Size(1280, 720))));
        QTRY_COMPARE_WITH_TIMEOUT(t.access.resolutionLabel()->text(), QStringLiteral("1280 x 720"), 5000);
        QCOMPARE(t.access.statusLabel()->text(), QStringLiteral("Resolution mismatch: target 3840 x 2160"));
        QTRY_COMPARE_WITH_TIMEOUT(view->shownFrameSize(), QSize(320, 180), 5000);

        // A decoded frame now and then from the same backend takes the plain path.
        t.camera->setSteadyFrame(cv::Mat(2160, 3840, CV_8UC3, cv::Scalar(10, 20, 30)));
        QTRY_COMPARE_WITH_TIMEOUT(view->currentFrame().size(), QSize(960, 540), 5000);   // the 4x crop
        QCOMPARE(qRed(view->currentFrame().pixel(5, 5)), 30);
        t.access.closeCamera();
        QCOMPARE(std::pair(bool(t.access.decodePool()), view->currentFrame().isNull()), std::pair(false, true));
    }

    void corruptFramesAreDroppedAndLoggedOncePerStream()
    {
        DiagnosticLogReader log;
        CaptureTestWindow t;
        const auto good = encodePicture(cv::Mat(360, 640, CV_8UC3, cv::Scalar(200, 40, 40)), JpegSampling::Yuv422);
        std::vector<uint8_t> scrambled = good, hugeHeader = good, noise(5000);
        std::fill(scrambled.begin() + long(scrambled.size() / 3), scrambled.end() - 2, uint8_t(0xA5));
        const uint8_t frameMarker[] = {0xFF, 0xC0};   // then length, precision, height, width
        std::fill_n(std::search(hugeHeader.begin(), hugeHeader.end(), frameMarker, frameMarker + 2) + 5, 4, uint8_t(0xFF));
        for (std::size_t i = 0; i < noise.size(); ++i)
            noise[i] = uint8_t(i * 131 + 7);
        const std::vector<std::vector<uint8_t>> broken = {{good.begin(), good.begin() + long(good.size() / 2)},
                                                          {good.begin(), good.begin() + 20}, scrambled, hugeHeader, noise,
                                                          {0xFF, 0xD8}, {0x00}, {0xFF, 0xD8, 0xFF, 0xD9}};
        // The second stream decodes crops, a path of its own through a broken frame.
        for (int stream = 1; stream <= 2; ++stream) {
            t.access.setZoom(stream == 1 ? 1.0 : 4.0);
            std::vector<cv::Mat> reads;
            for (const auto &bytes : broken)
                reads.push_back(asRead(bytes));
            t.camera->queueReads(reads);
            openStreaming(t, true, asRead(good));
            QTRY_COMPARE_WITH_TIMEOUT(t.access.resolutionLabel()->text(), QStringLiteral("640 x 360"), 5000);
            QVERIFY(t.access.decodePool()->waitIdle(5s) && t.access.decodePool()->stats().failed >= 1);
            // Each stream reports its own first corrupt frame, and only that one.
            QCOMPARE(log.messages().filter(QRegularExpression(QStringLiteral("^Dropped a corrupt camera frame:"))).size(), stream);
            // What is shown is the good picture, whole: never a half-decoded frame.
            const QImage shown = t.access.imageView()->currentFrame();
            for (const QPoint p : {QPoint(0, 0), QPoint(shown.width() - 1, shown.height() - 1)})
                QVERIFY(near(shown.pixel(p), qRgb(40, 40, 200), 12));
            QVERIFY(t.isOpen());
            t.access.closeCamera();
        }
    }

    void overlayLandsOnTheSameCameraPixelOnBothPaths()
    {
        const cv::Mat picture(2160, 3840, CV_8UC3, cv::Scalar::all(0));
        CaptureTestWindow fast, plain;
        for (CaptureTestWindow *t : {&fast, &plain}) {
            t->window->resize(1280, 760);
            t->window->show();
            t->access.centerCodeXSpin()->setValue(2000);
            t->access.centerCodeYSpin()->setValue(1000);
            t->access.reticleEnableCheck()->setChecked(true);
        }
        openStreaming(fast, true, jpegFrame(picture));
        // A driver that throws when asked for compressed frames still streams, the plain way.
        DiagnosticLogReader log;
        plain.camera->failNextSet(FakeVideoCapture::Failure::Standard);
        openStreaming(plain, true, picture);
        QCOMPARE(std::tuple(bool(fast.access.decodePool()), bool(plain.access.decodePool()), plain.isOpen(),
                            log.containsPrefix(QStringLiteral("Compressed frames refused"))), std::tuple(true, false, true, true));
        for (const auto &[zoom, offset] : {std::pair(1.0, QPointF()), std::pair(3.0, QPointF(250, -120)),
                                           std::pair(8.0, QPointF(-90, -60))}) {
            const QRect crop = zoomCropRect(QSize(3840, 2160), zoom, offset);
            for (CaptureTestWindow *t : {&fast, &plain}) {
                t->access.setZoom(zoom);
                t->access.viewOffset() = offset;
            }
            ImageView *fastView = fast.access.imageView(), *plainView = plain.access.imageView();
            QTRY_COMPARE_WITH_TIMEOUT(plainView->currentFrame().size(), crop.size(), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(fast.access.decodedFrame().plan.shown,
                                      cv::Rect(crop.x(), crop.y(), crop.width(), crop.height()), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(fastView->shownFrameSize(), crop.size(), 5000);
            QCOMPARE(fastView->imageRect(), plainView->imageRect());
            const QImage a = paintedWithoutBadges(fastView), b = paintedWithoutBadges(plainView);
            QCOMPARE(a.size(), b.size());
            int overlayPixels = 0, differing = 0;
            for (int y = 0; y < a.height(); ++y) {
                for (int x = 0; x < a.width(); ++x) {
                    overlayPixels += qGreen(b.pixel(x, y)) > 120;
                    differing += !near(a.pixel(x, y), b.pixel(x, y), 25);
                }
            }
            QVERIFY2(overlayPixels > 500, qPrintable(QString::number(overlayPixels)));
            QVERIFY2(differing == 0, qPrintable(QStringLiteral("zoom %1: %2 pixels differ").arg(zoom).arg(differing)));
        }
    }

    void focusPeakHoldsUntilFocusOrZoomChangesOnBothPaths()
    {
        // Nothing here is a time limit; under ThreadSanitizer on a busy machine a score takes long.
        constexpr int settle = 20000;
        const cv::Mat sharp = chequerboard(cv::Size(1280, 720), 16, 1), blurred = chequerboard(cv::Size(1280, 720), 16, 9);
        for (const bool compressed : {false, true}) {
            CaptureTestWindow t;
            t.window->resize(1280, 760);
            t.window->show();
            // Circle 1 in the middle, so it stays on the picture when zoomed.
            t.access.centerCodeXSpin()->setValue(640);
            t.access.centerCodeYSpin()->setValue(360);
            const auto show = [&](const cv::Mat &picture) { t.camera->setSteadyFrame(compressed ? jpegFrame(picture) : picture); };
            openStreaming(t, compressed, compressed ? jpegFrame(sharp) : sharp);
            QCOMPARE(bool(t.access.decodePool()), compressed);
            const auto badge = [&t] { return t.access.imageView()->focusBadge(); };
            QTRY_VERIFY_WITH_TIMEOUT(badge().measured, settle);
            const double sharpScore = badge().peak;
            // A picture that gets worse leaves the peak where it was.
            show(blurred);
            QTRY_VERIFY_WITH_TIMEOUT(badge().measured && badge().score < sharpScore / 2, settle);
            QCOMPARE(badge().peak, sharpScore);
            // A new focus, or a new zoom, starts a new peak.
            for (const auto &change : std::initializer_list<std::function<void()>>{
                     [&] { t.access.focusSlider()->setValue(t.access.focusSlider()->value() + 8); },
                     [&] { t.access.setZoom(2.0); }}) {
                show(sharp);
                QTRY_VERIFY_WITH_TIMEOUT(badge().measured && badge().peak > sharpScore / 2, settle);
                show(blurred);
                QTRY_VERIFY_WITH_TIMEOUT(badge().measured && badge().score < sharpScore / 2, settle);
                change();
                QTRY_VERIFY_WITH_TIMEOUT(badge().measured && badge().peak < sharpScore / 2, settle);
            }
            t.access.closeCamera();
            QVERIFY(!badge().shown);
        }
    }
};

QTEST_MAIN(CompressedStreamTest)
#include "compressed_stream_test.moc"
