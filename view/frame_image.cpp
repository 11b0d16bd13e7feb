#include "view/frame_image.h"

#include <cstring>

QImage wrapFrame(const cv::Mat &frame)
{
    // A row of BGR888 needs three bytes per pixel: a narrower frame would be read past its end.
    if (frame.empty() || frame.depth() != CV_8U || frame.channels() == 2)
        return QImage();
    const QImage::Format format = frame.channels() == 1 ? QImage::Format_Grayscale8 : QImage::Format_BGR888;
    return QImage(static_cast<const uchar *>(frame.data), frame.cols, frame.rows, static_cast<qsizetype>(frame.step[0]), format);
}

bool copyFrameInto(const cv::Mat &frame, QImage &target)
{
    const QImage source = wrapFrame(frame);
    if (source.isNull())
        return false;
    if (target.size() != source.size() || target.format() != source.format() || !target.isDetached()) {
        target = source.copy();
        return !target.isNull();
    }
    const qsizetype rowBytes = static_cast<qsizetype>(source.width()) * (source.depth() / 8);
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(target.scanLine(y), source.constScanLine(y), static_cast<size_t>(rowBytes));
    return true;
}
