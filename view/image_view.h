#pragma once

#include "view/overlay_settings.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

class QScrollBar;

class ImageView : public QWidget {
    Q_OBJECT

public:
    explicit ImageView(QWidget *parent = nullptr);
    ~ImageView() override;

    void setFrame(const QImage &frame);
    void clearFrame();
    void setOverlay(const OverlaySettings &settings);
    void setZoom(double zoom);

    double zoomFactor() const { return zoom; }
    QPointF panOffset() const { return offset; }
    double framesPerSecond() const { return fps; }
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
    void updateScrollBars();
    void layoutScrollBars();
    void onHorizontalScroll(int value);
    void onVerticalScroll(int value);
    void paintPlaceholder(QPainter &painter);
    void paintLivePicture(QPainter &painter);

    QImage frame;
    QPixmap background;
    QPixmap nightBackground;
    OverlaySettings overlay;
    double zoom = 1.0;
    QPointF offset;
    QPoint lastMousePos;
    bool dragging = false;
    QScrollBar *hScrollBar = nullptr;
    QScrollBar *vScrollBar = nullptr;
    bool updatingScrollBars = false;
    QElapsedTimer fpsTimer;
    int framesInWindow = 0;
    double fps = 0.0;
};
