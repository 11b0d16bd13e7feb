#include "view/frame_image.h"
#include "view/zoom_crop.h"

#include <QTest>

class FramePresentationTest : public QObject {
    Q_OBJECT

private slots:
    void zoomCropStaysInsideFrame_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QRect>("expected");
        const QSize uhd(3840, 2160);
        QTest::newRow("1x whole") << uhd << 1.0 << QPointF(500, 500) << QRect(0, 0, 3840, 2160);
        QTest::newRow("1.01x whole") << uhd << 1.01 << QPointF() << QRect(0, 0, 3840, 2160);
        QTest::newRow("1.1x crops") << uhd << 1.1 << QPointF() << QRect(175, 99, 3490, 1962);
        QTest::newRow("2x pan truncates") << uhd << 2.0 << QPointF(10.9, -10.9) << QRect(970, 530, 1920, 1080);
        QTest::newRow("2x past right/bottom") << uhd << 2.0 << QPointF(5000, 5000) << QRect(1920, 1080, 1920, 1080);
        QTest::newRow("2x past left/top") << uhd << 2.0 << QPointF(-5000, -5000) << QRect(0, 0, 1920, 1080);
        QTest::newRow("7x odd made even") << uhd << 7.0 << QPointF() << QRect(1646, 926, 548, 308);
        QTest::newRow("8x at right edge") << uhd << 8.0 << QPointF(1680, 0) << QRect(3360, 945, 480, 270);
        QTest::newRow("8x one past edge") << uhd << 8.0 << QPointF(1681, -946) << QRect(3360, 0, 480, 270);
        QTest::newRow("8x tiny frame") << QSize(9, 5) << 8.0 << QPointF() << QRect(3, 1, 2, 2);
        QTest::newRow("1px frame") << QSize(1, 1) << 8.0 << QPointF(3, 3) << QRect(0, 0, 1, 1);
        QTest::newRow("absurd offset") << uhd << 2.0 << QPointF(1e300, qQNaN()) << QRect(1920, 540, 1920, 1080);
    }

    void zoomCropStaysInsideFrame()
    {
        QFETCH(QSize, frame);
        QFETCH(double, zoom);
        QFETCH(QPointF, offset);
        QFETCH(QRect, expected);
        QCOMPARE(zoomCropRect(frame, zoom, offset), expected);
    }

    void framesAreWrappedThenCopiedOnce()
    {
        cv::Mat full(40, 60, CV_8UC3, cv::Scalar(1, 2, 3));
        full.at<cv::Vec3b>(12, 22) = cv::Vec3b(200, 100, 50);   // B, G, R
        const cv::Mat crop(full, cv::Rect(20, 10, 30, 20));
        const QImage view = wrapFrame(crop);
        QCOMPARE(view.constBits(), crop.data);   // no copy when wrapping
        QCOMPARE(view.bytesPerLine(), qsizetype(full.step[0]));
        QCOMPARE(view.pixel(2, 2), qRgb(50, 100, 200));

        QImage buffer;
        QVERIFY(copyFrameInto(crop, buffer));
        const uchar *pixels = buffer.constBits();
        full.at<cv::Vec3b>(12, 22) = cv::Vec3b(0, 0, 255);
        QVERIFY(copyFrameInto(crop, buffer));
        QCOMPARE(buffer.constBits(), pixels);   // same size again: the buffer is reused
        QCOMPARE(buffer.pixel(2, 2), qRgb(255, 0, 0));
        const QImage shared = buffer;           // someone still shows it: never overwrite it
        full.at<cv::Vec3b>(12, 22) = cv::Vec3b(0, 255, 0);
        QVERIFY(copyFrameInto(crop, buffer));
        QCOMPARE(shared.pixel(2, 2), qRgb(255, 0, 0));
        QCOMPARE(buffer.pixel(2, 2), qRgb(0, 255, 0));

        QCOMPARE(qGray(wrapFrame(cv::Mat(8, 8, CV_8UC1, cv::Scalar(77))).pixel(3, 3)), 77);
        // Two 8-bit channels would be read past the row end as BGR888.
        QVERIFY(wrapFrame(cv::Mat(8, 8, CV_8UC2)).isNull());
        QVERIFY(!copyFrameInto(cv::Mat(8, 8, CV_16UC1), buffer));
    }
};

QTEST_GUILESS_MAIN(FramePresentationTest)
#include "frame_presentation_test.moc"
