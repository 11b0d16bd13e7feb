#pragma once

#include "view/frame_rate_counter.h"
#include "view/overlay_settings.h"
#include "view/spot_badge.h"
#include "view/viewport_frame_cache.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <optional>

class QScrollBar;

// What the focus meter's badge shows: nothing while the meter is off, "--" until a score.
struct FocusBadge {
    bool shown = false;
    bool measured = false;
    double score = 0.0;
    double peak = 0.0;
};

// Shows the prepared live frame fitted to its area, with overlay, bezel and badges. Zoom and
// pan are only reported: the caller crops the camera frame and hands the crop back.
class ImageView : public QWidget {
    Q_OBJECT

public:
    // Monotonic milliseconds; replaceable so frame-rate tests need no real waiting.
    using Clock = std::function<qint64()>;

    explicit ImageView(QWidget *parent = nullptr);
    ~ImageView() override;

    void setFrame(const QImage &frame);
    // A frame decoded at 1/scaleDenom of the part of the camera frame it shows (`shown`,
    // camera pixels). Placement, overlay, dragging, scroll bars and the pointer work in camera
    // pixels, so they are the same as for the frame at full size.
    void setFrame(const QImage &frame, const QRect &shown, int scaleDenom);
    void clearFrame();
    void setOverlay(const OverlaySettings &settings);
    void setZoom(double zoom);
    void setClock(Clock clock);
    void setFocusBadge(const FocusBadge &badge);
    void setSpotBadge(const SpotBadge &badge);

    double zoomFactor() const { return zoom; }
    QPointF panOffset() const { return offset; }
    double framesPerSecond() const { return frameRate.framesPerSecond(); }
    const QImage &currentFrame() const { return frame; }
    QSize shownFrameSize() const { return shownSize; }
    const OverlaySettings &overlaySettings() const { return overlay; }
    QRectF imageRect() const;
    // Where the picture may go, in device pixels: frames need no more detail than this.
    QSize pictureArea() const;
    // The camera-frame pixel shown at a point of the view; nothing off the picture.
    std::optional<QPoint> framePixelAt(const QPointF &viewPoint) const;
    const FocusBadge &focusBadge() const { return focus; }
    const SpotBadge &spotBadge() const { return spot; }

signals:
    void zoomRequested(double factor);
    void offsetChanged(QPointF offset);
    // A double-click on the picture, at this camera-frame pixel.
    void pixelDoubleClicked(QPoint pixel);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void loadBackground();
    void updateScrollBars();
    void layoutScrollBars();
    void onHorizontalScroll(int value);
    void onVerticalScroll(int value);
    void paintPlaceholder(QPainter &painter);
    void paintLivePicture(QPainter &painter);
    void paintPointerAndFocusBadges(QPainter &painter, const QRectF &picture);
    void updatePointerBadge();
    void paintSpot(QPainter &painter, const QRectF &picture);

    QImage frame;
    QSize shownSize{0, 0};   // camera pixels the frame shows; none without a frame
    QPoint shownOrigin;      // where they start in the whole camera frame
    QRectF frameSource;   // the part of `frame` that covers `shownSize`
    QPixmap background;
    QPixmap nightBackground;
    ViewportFrameCache bezel;
    OverlaySettings overlay;
    double zoom = 1.0;
    QPointF offset;
    QPoint lastMousePos;
    bool dragging = false;
    std::optional<QPointF> pointer;   // the mouse, while it is over the view
    FocusBadge focus;
    SpotBadge spot;
    QScrollBar *hScrollBar = nullptr;
    QScrollBar *vScrollBar = nullptr;
    bool updatingScrollBars = false;
    QElapsedTimer clockBase;
    Clock clock;
    FrameRateCounter frameRate;
};
