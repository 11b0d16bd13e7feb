#pragma once

#include "view/frame_rate_counter.h"
#include "view/overlay_settings.h"
#include "view/viewport_frame_cache.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

#include <functional>

class QScrollBar;

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
    // A frame decoded at 1/scaleDenom of the part of the camera frame it shows (`shownSize`,
    // camera pixels). Placement, overlay, dragging and scroll bars work in camera pixels, so
    // they are the same as for the frame at full size.
    void setFrame(const QImage &frame, const QSize &shownSize, int scaleDenom);
    void clearFrame();
    void setOverlay(const OverlaySettings &settings);
    void setZoom(double zoom);
    void setClock(Clock clock);

    double zoomFactor() const { return zoom; }
    QPointF panOffset() const { return offset; }
    double framesPerSecond() const { return frameRate.framesPerSecond(); }
    const QImage &currentFrame() const { return frame; }
    QSize shownFrameSize() const { return shownSize; }
    const OverlaySettings &overlaySettings() const { return overlay; }
    QRectF imageRect() const;
    // Where the picture may go, in device pixels: frames need no more detail than this.
    QSize pictureArea() const;

signals:
    void zoomRequested(double factor);
    void offsetChanged(QPointF offset);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
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

    QImage frame;
    QSize shownSize{0, 0};   // camera pixels the frame shows; none without a frame
    QRectF frameSource;   // the part of `frame` that covers `shownSize`
    QPixmap background;
    QPixmap nightBackground;
    ViewportFrameCache bezel;
    OverlaySettings overlay;
    double zoom = 1.0;
    QPointF offset;
    QPoint lastMousePos;
    bool dragging = false;
    QScrollBar *hScrollBar = nullptr;
    QScrollBar *vScrollBar = nullptr;
    bool updatingScrollBars = false;
    QElapsedTimer clockBase;
    Clock clock;
    FrameRateCounter frameRate;
};
