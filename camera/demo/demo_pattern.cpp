#include "camera/demo/demo_pattern.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

QImage wrap(cv::Mat &frame)
{
    return QImage(frame.data, frame.cols, frame.rows, static_cast<qsizetype>(frame.step[0]),
                  QImage::Format_BGR888);
}

void drawGrid(QPainter &painter, int width, int height)
{
    for (int x = 0; x < width; x += 100) {
        painter.setPen(QPen(x % 500 == 0 ? QColor(110, 130, 140) : QColor(60, 72, 80), x % 500 == 0 ? 3 : 1));
        painter.drawLine(x, 0, x, height);
    }
    for (int y = 0; y < height; y += 100) {
        painter.setPen(QPen(y % 500 == 0 ? QColor(110, 130, 140) : QColor(60, 72, 80), y % 500 == 0 ? 3 : 1));
        painter.drawLine(0, y, width, y);
    }
}

void drawRings(QPainter &painter, QPointF centre, int radiusLimit)
{
    painter.setBrush(Qt::NoBrush);
    for (int r = 125, i = 0; r < radiusLimit; r += 125, ++i) {
        painter.setPen(QPen(i % 2 ? QColor(230, 235, 240) : QColor(40, 190, 230), i % 4 == 3 ? 8 : 4));
        painter.drawEllipse(centre, r, r);
    }
    painter.setPen(QPen(QColor(255, 255, 255), 3));
    painter.drawLine(centre + QPointF(-60, 0), centre + QPointF(60, 0));
    painter.drawLine(centre + QPointF(0, -60), centre + QPointF(0, 60));
}

// Focus stars, whose spokes run finer towards the centre than any sensor resolves: the fine
// detail a lens is judged by, and that a camera's JPEG has to carry.
void drawFocusStars(QPainter &painter, int width, int height)
{
    constexpr int spokes = 72;
    const double radius = std::min(width, height) / 9.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(205, 210, 200));
    for (const QPointF centre : {QPointF(width * 0.2, height * 0.25), QPointF(width * 0.8, height * 0.25),
                                 QPointF(width * 0.2, height * 0.75), QPointF(width * 0.8, height * 0.75)}) {
        for (int i = 0; i < spokes; i += 2) {
            const double a0 = 2 * M_PI * i / spokes;
            const double a1 = 2 * M_PI * (i + 1) / spokes;
            const QPointF wedge[3] = {centre, centre + radius * QPointF(std::cos(a0), std::sin(a0)),
                                      centre + radius * QPointF(std::cos(a1), std::sin(a1))};
            painter.drawPolygon(wedge, 3);
        }
    }
}

void drawLabels(QPainter &painter, int width, int height, const QString &label)
{
    QFont font = painter.font();
    font.setPixelSize(std::max(24, height / 60));
    painter.setFont(font);
    painter.setPen(QColor(200, 215, 225));
    for (int x = 500; x < width; x += 500)
        painter.drawText(x + 10, font.pixelSize() + 10, QString::number(x));
    for (int y = 500; y < height; y += 500)
        painter.drawText(10, y - 10, QString::number(y));
    font.setPixelSize(std::max(32, height / 30));
    painter.setFont(font);
    painter.drawText(QRect(0, height - 3 * font.pixelSize(), width - 40, 2 * font.pixelSize()),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1  %2 x %3  demo").arg(label).arg(width).arg(height));
}

// Seven-segment digits need no font, so the capture thread never touches the font system.
void drawSegmentDigit(QPainter &painter, QPoint origin, int height, int digit)
{
    static const int segments[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};
    const int w = height / 2;
    const int h = height / 2;
    const int t = std::max(2, height / 10);
    const QRect bars[7] = {
        {origin.x(), origin.y(), w, t},              // top
        {origin.x() + w - t, origin.y(), t, h},      // upper right
        {origin.x() + w - t, origin.y() + h, t, h},  // lower right
        {origin.x(), origin.y() + 2 * h - t, w, t},  // bottom
        {origin.x(), origin.y() + h, t, h},          // lower left
        {origin.x(), origin.y(), t, h},              // upper left
        {origin.x(), origin.y() + h - t / 2, w, t},  // middle
    };
    for (int i = 0; i < 7; ++i) {
        if (segments[digit] & (1 << i))
            painter.fillRect(bars[i], QColor(255, 255, 255));
    }
}

} // namespace

void renderCalibrationTarget(cv::Mat &target, int width, int height, const QString &label)
{
    // Painting into the raster engine's native format and converting once is many times
    // faster than painting into 24-bit pixels directly.
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(24, 28, 34));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        drawGrid(painter, width, height);
        drawRings(painter, QPointF(width / 2.0, height / 2.0), std::min(width, height) / 2);
        drawFocusStars(painter, width, height);
        drawLabels(painter, width, height, label);
    }
    image.convertTo(QImage::Format_BGR888);
    target.create(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        std::memcpy(target.ptr(y), image.constScanLine(y), static_cast<std::size_t>(width) * 3);
}

double alignmentTargetReach(const AlignmentTarget &target)
{
    return target.ring ? 60.0 + 6 * 2.5 : 6 * 5.0;
}

void prepareAlignmentArea(cv::Mat &frame, const std::vector<AlignmentTarget> &targets)
{
    CV_Assert(frame.type() == CV_8UC3);
    // Dark lines on grey: detail for the focus meter to score as it scores the corners, and
    // never brighter than the ground, so never a target. Every 64 px, 6 px wide: sparse enough
    // that most of the finder's cells hold only ground, wide enough to stay sharp at 1/4.
    const cv::Vec3b ground(60, 60, 60);
    const cv::Vec3b line(0, 0, 0);
    const cv::Point middle(frame.cols / 2, frame.rows / 2);
    const int cleared = std::min(frame.cols, frame.rows) / 4 + 60;
    const auto inArea = [&](int x, int y) {
        return double(x - middle.x) * (x - middle.x) + double(y - middle.y) * (y - middle.y) < double(cleared) * cleared;
    };
    for (int y = std::max(0, middle.y - cleared); y < std::min(frame.rows, middle.y + cleared); ++y) {
        auto *row = frame.ptr<cv::Vec3b>(y);
        for (int x = std::max(0, middle.x - cleared); x < std::min(frame.cols, middle.x + cleared); ++x) {
            if (inArea(x, y))
                row[x] = x % 64 < 6 || y % 64 < 6 ? line : ground;
        }
    }
    // A plain ground under each target, so that no line shifts its centre.
    for (const AlignmentTarget &target : targets) {
        const double keep = alignmentTargetReach(target) + 10;
        for (int y = std::max(0, int(target.centre.y - keep)); y <= std::min(frame.rows - 1, int(target.centre.y + keep)); ++y) {
            auto *row = frame.ptr<cv::Vec3b>(y);
            for (int x = std::max(0, int(target.centre.x - keep)); x <= std::min(frame.cols - 1, int(target.centre.x + keep)); ++x) {
                if (inArea(x, y) && std::hypot(x + 0.5 - target.centre.x, y + 0.5 - target.centre.y) < keep)
                    row[x] = ground;
            }
        }
    }
}

void drawAlignmentTarget(cv::Mat &frame, const AlignmentTarget &target)
{
    CV_Assert(frame.type() == CV_8UC3);

    constexpr double spotSigma = 5.0;
    constexpr double ringRadius = 60.0;
    constexpr double ringSigma = 2.5;
    const double reach = alignmentTargetReach(target);
    const double amplitude = target.ring ? 180.0 : 200.0;
    for (int y = std::max(0, int(target.centre.y - reach)); y <= std::min(frame.rows - 1, int(target.centre.y + reach)); ++y) {
        auto *row = frame.ptr<cv::Vec3b>(y);
        for (int x = std::max(0, int(target.centre.x - reach)); x <= std::min(frame.cols - 1, int(target.centre.x + reach)); ++x) {
            const double r = std::hypot(x + 0.5 - target.centre.x, y + 0.5 - target.centre.y);
            const double d = target.ring ? (r - ringRadius) / ringSigma : r / spotSigma;
            const double add = amplitude * std::exp(-0.5 * d * d);
            for (int c = 0; c < 3; ++c)
                row[x][c] = cv::saturate_cast<uchar>(row[x][c] + add);
        }
    }
}

SensorNoise::SensorNoise(double lumaSigma, double chromaSigma) : tile(tileSize, tileSize, CV_8SC3)
{
    // A fixed seed: every run, and every benchmark, compresses the same frames.
    cv::RNG rng(0x5e4507);
    for (int y = 0; y < tileSize; ++y) {
        auto *row = tile.ptr<cv::Vec3b>(y);
        for (int x = 0; x < tileSize; ++x) {
            const double luma = rng.gaussian(lumaSigma);
            for (int c = 0; c < 3; ++c)
                row[x][c] = static_cast<uchar>(cv::saturate_cast<schar>(luma + rng.gaussian(chromaSigma)));
        }
    }
}

const SensorNoise &SensorNoise::camera()
{
    static const SensorNoise noise(2.5, 1.1);
    return noise;
}

void SensorNoise::apply(cv::Mat &frame, int variant) const
{
    CV_Assert(frame.type() == CV_8UC3);
    // Each variant reads the tile from its own offset, so neighbouring frames differ in every pixel.
    const int offsetX = (variant * 397) % tileSize;
    const int offsetY = (variant * 631) % tileSize;
    for (int y = 0; y < frame.rows; ++y) {
        uchar *out = frame.ptr<uchar>(y);
        const auto *noise = reinterpret_cast<const schar *>(tile.ptr((y + offsetY) % tileSize));
        int tileByte = offsetX * 3;
        for (int i = 0; i < frame.cols * 3; ++i) {
            out[i] = cv::saturate_cast<uchar>(out[i] + noise[tileByte]);
            if (++tileByte == tileSize * 3)
                tileByte = 0;
        }
    }
}

cv::Mat exposureTable(const DemoPictureSettings &settings)
{
    const double factor = std::pow(2.0, (settings.exposure + 7) / 2.0) * (1.0 + settings.gain / 8.0);
    const double offset = (settings.brightness - 32) * 3.0;
    cv::Mat table(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i)
        table.at<uchar>(i) = cv::saturate_cast<uchar>(i * factor + offset);
    return table;
}

void stampFrame(cv::Mat &frame, std::uint64_t sequence, std::int64_t captureTimeNs, double framesPerSecond)
{
    QImage image = wrap(frame);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // One turn every four seconds, so a dropped frame shows as a jump.
    const double turn = 2.0 * CV_PI * static_cast<double>(sequence) / (4.0 * framesPerSecond);
    const double radius = std::min(frame.cols, frame.rows) * 0.3;
    const QPointF centre(frame.cols / 2.0 + radius * std::sin(turn), frame.rows / 2.0 - radius * std::cos(turn));
    painter.setPen(QPen(QColor(20, 20, 20), 4));
    painter.setBrush(QColor(255, 120, 40));
    painter.drawEllipse(centre, 40, 40);

    const int digitHeight = std::max(24, frame.rows / 40);
    const QString digits = QString::number(sequence);
    // Bottom left, clear of the view's zoom badge in the top corner.
    const QRect box(40, frame.rows - 40 - digitHeight * 3 / 2, (digits.size() + 1) * digitHeight * 2 / 3, digitHeight * 3 / 2);
    painter.fillRect(box, QColor(0, 0, 0, 170));
    for (int i = 0; i < digits.size(); ++i) {
        const QPoint origin(box.left() + digitHeight / 3 + i * digitHeight * 2 / 3, box.top() + digitHeight / 4);
        drawSegmentDigit(painter, origin, digitHeight, digits[i].digitValue());
    }
    painter.end();

    writeFrameStamp(frame.data, {sequence, captureTimeNs});
}

void writeFrameStamp(std::uint8_t *topRow, const FrameStamp &stamp)
{
    std::memcpy(topRow, &stamp.sequence, sizeof stamp.sequence);
    std::memcpy(topRow + sizeof stamp.sequence, &stamp.captureTimeNs, sizeof stamp.captureTimeNs);
}

FrameStamp readFrameStamp(const std::uint8_t *topRow)
{
    FrameStamp stamp;
    std::memcpy(&stamp.sequence, topRow, sizeof stamp.sequence);
    std::memcpy(&stamp.captureTimeNs, topRow + sizeof stamp.sequence, sizeof stamp.captureTimeNs);
    return stamp;
}
