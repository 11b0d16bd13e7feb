#include "view/image_view.h"

#include "app/ui_language.h"
#include "view/overlay_painter.h"
#include "view/view_geometry.h"
#include "view/viewport_frame_cache.h"

#include <QPainter>

#include <algorithm>

namespace {

void drawBadge(QPainter &painter, const QRectF &badge, const QString &text)
{
    painter.setPen(QPen(QBrush(QColor(36, 215, 255, 110)), 1));
    painter.setBrush(QColor(5, 16, 27, 180));
    painter.drawRoundedRect(badge, 6, 6);
    painter.setPen(QPen(QBrush(QColor(207, 244, 255)), 1));
    painter.drawText(badge, Qt::AlignCenter, text);
}

// Three significant figures or more: enough to see the peak come and go, no jitter beyond.
QString scoreText(double score)
{
    return QString::number(score, 'f', score >= 100 ? 0 : score >= 10 ? 1 : 2);
}

// Wide enough for the text, never narrower than the upper badges.
double badgeWidth(const QPainter &painter, const QString &text)
{
    return std::max(112.0, painter.fontMetrics().horizontalAdvance(text) + 20.0);
}

QFont sizedFont(const QFont &base, int pointSize, int weight)
{
    QFont font = base;
    font.setPointSize(pointSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

} // namespace

void ImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(255, 255, 255, 18));
    if (frame.isNull())
        paintPlaceholder(painter);
    else
        paintLivePicture(painter);
}

void ImageView::paintPlaceholder(QPainter &painter)
{
    const bool night = property("nightMode").toBool();
    const QRectF card = fitRect(QRectF(rect().adjusted(10, 10, -10, -10)), QSize(16, 9));
    const QRectF panel = card.adjusted(12, 12, -12, -12);
    painter.fillRect(panel, night ? QColor(29, 7, 14) : QColor(255, 255, 255));

    const QPixmap &picture = night && !nightBackground.isNull() ? nightBackground : background;
    if (!picture.isNull()) {
        // Letterboxed, never cropped: the whole picture stays visible at any view shape.
        const QSizeF size = QSizeF(picture.size()).scaled(panel.size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(), size);
        target.moveCenter(panel.center());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target.toRect(), picture);
    }

    bezel.draw(painter, card);

    const QRectF textArea = panel.adjusted(26, 20, -26, -20);
    const QRectF titleRect(textArea.left(), textArea.bottom() - 54, textArea.width(), 30);
    const QRectF subtitleRect(textArea.left(), textArea.bottom() - 25, textArea.width(), 22);

    painter.setPen(night ? QColor(255, 245, 248) : QColor(0, 112, 140));
    painter.setFont(sizedFont(painter.font(), 15, QFont::Bold));
    painter.drawText(titleRect, Qt::AlignRight | Qt::AlignVCenter,
                     pickText(QStringLiteral("Waiting for camera signal"),
                              QStringLiteral("等待攝影機訊號"), QStringLiteral("等待摄像头信号")));

    painter.setPen(night ? QColor(220, 190, 199) : QColor(83, 111, 124));
    painter.setFont(sizedFont(painter.font(), 10, QFont::Normal));
    painter.drawText(subtitleRect, Qt::AlignRight | Qt::AlignVCenter,
                     pickText(QStringLiteral("Open the camera to display the live calibration view"),
                              QStringLiteral("開啟攝影機後將顯示即時校準畫面"),
                              QStringLiteral("打开摄像头后将显示实时校准画面")));
}

void ImageView::paintLivePicture(QPainter &painter)
{
    const QRectF r = imageRect();
    const QRectF outer = r.adjusted(-16, -16, 16, 16);

    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(r, frame, frameSource);

    drawOverlay(painter, r, shownSize, overlay);

    painter.setPen(QPen(QBrush(QColor(36, 215, 255, 150)), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));

    bezel.draw(painter, outer);

    const BadgeGeometry badges = badgeGeometry(r);
    const double fps = frameRate.framesPerSecond();
    drawBadge(painter, badges.zoom,
              pickText(QStringLiteral("Zoom %1x"), QStringLiteral("縮放 %1x"), QStringLiteral("缩放 %1x"))
                  .arg(QString::number(zoom, 'f', 1)));
    drawBadge(painter, badges.frameRate,
              fps > 0 ? QStringLiteral("FPS %1").arg(QString::number(fps, 'f', 1))
                      : QStringLiteral("FPS --"));
    paintPointerAndFocusBadges(painter, r);
    paintSpot(painter, r);
}

void ImageView::paintSpot(QPainter &painter, const QRectF &r)
{
    if (!spot.shown)
        return;
    if (spot.found) {
        // Its own colour, apart from any the operator may pick for the overlay.
        const QPointF at = viewPointOf(spot.spot, r, QRect(shownOrigin, shownSize));
        painter.save();
        painter.setClipRect(r);
        painter.setPen(QPen(QBrush(QColor(255, 64, 200)), 2));
        painter.drawLine(at - QPointF(9, 0), at + QPointF(9, 0));
        painter.drawLine(at - QPointF(0, 9), at + QPointF(0, 9));
        painter.restore();
    }
    const QString text = spotBadgeText(spot);
    drawBadge(painter, spotBadgeRect(r, badgeWidth(painter, text)), text);
    if (spot.cornersMeasured) {
        const QString corners = cornerBadgeText(spot);
        drawBadge(painter, cornerBadgeRect(r, badgeWidth(painter, corners)), corners);
    }
}

void ImageView::paintPointerAndFocusBadges(QPainter &painter, const QRectF &r)
{
    if (pointer) {
        if (const std::optional<QPoint> pixel = framePixelAt(*pointer)) {
            const QString text = pickText(QStringLiteral("Pixel %1, %2"), QStringLiteral("像素 %1, %2"),
                                          QStringLiteral("像素 %1, %2"))
                                     .arg(pixel->x())
                                     .arg(pixel->y());
            drawBadge(painter, pointerBadgeRect(r, badgeWidth(painter, text)), text);
        }
    }
    if (focus.shown) {
        const QString text = focus.measured
                ? pickText(QStringLiteral("Sharpness %1 (peak %2)"), QStringLiteral("清晰度 %1（峰值 %2）"),
                           QStringLiteral("清晰度 %1（峰值 %2）"))
                      .arg(scoreText(focus.score), scoreText(focus.peak))
                : pickText(QStringLiteral("Sharpness --"), QStringLiteral("清晰度 --"), QStringLiteral("清晰度 --"));
        drawBadge(painter, focusBadgeRect(r, badgeWidth(painter, text)), text);
    }
}
