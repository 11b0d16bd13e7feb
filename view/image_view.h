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
    void clearFrame();
    void setOverlay(const OverlaySettings &settings);
    void setZoom(double zoom);
    void setClock(Clock clock);

    double zoomFactor() const { return zoom; }
    QPointF panOffset() const { return offset; }
    double framesPerSecond() const { return frameRate.framesPerSecond(); }
    const QImage &currentFrame() const { return frame; }
    const OverlaySettings &overlaySettings() const { return overlay; }
    QRectF imageRect() const;

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
