#include "view/image_view.h"

ImageView::ImageView(QWidget *parent) : QWidget(parent) {}
ImageView::~ImageView() = default;
void ImageView::setFrame(const QImage &image) { frame = image; update(); }
void ImageView::clearFrame() { frame = QImage(); update(); }
void ImageView::setOverlay(const OverlaySettings &settings) { overlay = settings; update(); }
void ImageView::setZoom(double value) { zoom = value; update(); }
QRectF ImageView::imageRect() const { return QRectF(rect()); }
void ImageView::mousePressEvent(QMouseEvent *) {}
void ImageView::mouseReleaseEvent(QMouseEvent *) {}
void ImageView::mouseMoveEvent(QMouseEvent *) {}
void ImageView::wheelEvent(QWheelEvent *) {}
void ImageView::paintEvent(QPaintEvent *) {}
void ImageView::resizeEvent(QResizeEvent *) {}
void ImageView::updateScrollBars() {}
void ImageView::layoutScrollBars() {}
void ImageView::onHorizontalScroll(int) {}
void ImageView::onVerticalScroll(int) {}
void ImageView::paintPlaceholder(QPainter &) {}
void ImageView::paintLivePicture(QPainter &) {}
