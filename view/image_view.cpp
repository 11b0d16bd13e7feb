#include "view/image_view.h"

#include "app/file_locations.h"
#include "view/background_recolour.h"
#include "view/view_geometry.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {

const char *const scrollBarStyleSheet = R"(
QScrollBar:horizontal, QScrollBar:vertical {
    background: rgba(4, 17, 28, 210);
    border: 1px solid rgba(36, 215, 255, 150);
    border-radius: 5px;
    margin: 0;
}
QScrollBar::handle:horizontal, QScrollBar::handle:vertical {
    background: rgba(36, 215, 255, 190);
    border-radius: 4px;
    min-width: 24px;
    min-height: 24px;
}
QScrollBar::handle:horizontal:hover, QScrollBar::handle:vertical:hover {
    background: rgba(123, 234, 255, 230);
}
QScrollBar::add-line, QScrollBar::sub-line {
    width: 0;
    height: 0;
    border: none;
}
QScrollBar::add-page, QScrollBar::sub-page {
    background: transparent;
}
)";

} // namespace

ImageView::ImageView(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(640, 360);
    setAttribute(Qt::WA_MouseTracking);
    setFocusPolicy(Qt::StrongFocus);

    clockBase.start();
    clock = [this] { return clockBase.elapsed(); };

    loadBackground();

    hScrollBar = new QScrollBar(Qt::Horizontal, this);
    vScrollBar = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar *bar : {hScrollBar, vScrollBar}) {
        bar->setStyleSheet(QString::fromLatin1(scrollBarStyleSheet));
        bar->hide();
    }
    connect(hScrollBar, &QScrollBar::valueChanged, this, &ImageView::onHorizontalScroll);
    connect(vScrollBar, &QScrollBar::valueChanged, this, &ImageView::onVerticalScroll);
}

ImageView::~ImageView() = default;

void ImageView::loadBackground()
{
    // The picture is optional decoration: without it the placeholder is a plain fill.
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString places[] = {
        QDir(appDir).filePath(QStringLiteral("assets/vesk-background.jpg")),
        QDir::cleanPath(QDir(appDir).filePath(QStringLiteral("../../assets/vesk-background.jpg"))),
        QDir(installedDataFolder(appDir)).filePath(QStringLiteral("vesk-background.jpg")),
    };
    for (const QString &place : places) {
        if (background.load(place))
            break;
    }
    if (!background.isNull())
        nightBackground = QPixmap::fromImage(recolourForNight(background.toImage()));
}

void ImageView::setFrame(const QImage &image)
{
    setFrame(image, QRect(QPoint(0, 0), image.size()), 1);
}

void ImageView::setFrame(const QImage &image, const QRect &shown, int scaleDenom)
{
    frame = image;
    shownSize = shown.size();
    shownOrigin = shown.topLeft();
    // The decoder rounds a scaled side up, so the last column or row may reach past the shown part.
    const double denom = std::max(1, scaleDenom);
    frameSource = QRectF(0, 0, std::min<double>(image.width(), shown.width() / denom),
                         std::min<double>(image.height(), shown.height() / denom));
    frameRate.addFrame(clock());
    updateScrollBars();
    update();
}

void ImageView::clearFrame()
{
    frame = QImage();
    shownSize = QSize(0, 0);
    shownOrigin = QPoint();
    frameSource = QRectF();
    overlay = OverlaySettings();
    focus = FocusBadge();
    spot = SpotBadge();
    frameRate.reset();
    updateScrollBars();
    update();
}

void ImageView::setOverlay(const OverlaySettings &settings)
{
    overlay = settings;
    update();
}

void ImageView::setZoom(double value)
{
    zoom = clampZoom(value);
    updateScrollBars();
    update();
}

void ImageView::setClock(Clock replacement)
{
    clock = std::move(replacement);
}

void ImageView::setFocusBadge(const FocusBadge &badge)
{
    focus = badge;
    // A score often comes on a tick without a new frame: repainting only the badge's corner
    // spares scaling the whole frame again for it.
    const QRectF r = imageRect();
    update(focusBadgeRect(r, r.width() * 0.5).adjusted(-1, -1, 1, 1).toAlignedRect());
}

void ImageView::setSpotBadge(const SpotBadge &badge)
{
    spot = badge;
    // A reading often comes on a tick without a new frame. The corner scores share one
    // rectangle with the focus badge below them; the spot's badge and cross wait for the next
    // frame, which repaints the whole picture anyway: repainting them now, in pieces across the
    // picture, costs more than scaling the whole frame.
    const QRectF r = imageRect();
    update((cornerBadgeRect(r, r.width() * 0.5) | focusBadgeRect(r, r.width() * 0.5)).adjusted(-1, -1, 1, 1).toAlignedRect());
}

QRectF ImageView::imageRect() const
{
    return imageRectIn(rect(), shownSize);
}

QSize ImageView::pictureArea() const
{
    return (QSizeF(pictureAreaIn(rect()).size()) * devicePixelRatioF()).toSize();
}

std::optional<QPoint> ImageView::framePixelAt(const QPointF &viewPoint) const
{
    if (frame.isNull())
        return std::nullopt;
    return ::framePixelAt(viewPoint, imageRect(), QRect(shownOrigin, shownSize));
}

void ImageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging = true;
    lastMousePos = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
}

void ImageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging = false;
    unsetCursor();
}

void ImageView::mouseMoveEvent(QMouseEvent *event)
{
    pointer = event->position();
    updatePointerBadge();
    if (!dragging)
        return;
    const QPoint position = event->position().toPoint();
    const QPoint delta = position - lastMousePos;
    lastMousePos = position;
    // Without a frame the size is 0 and the offset cannot move.
    const QPointF scale = dragScale(shownSize, imageRect());
    offset.rx() -= delta.x() * scale.x();
    offset.ry() -= delta.y() * scale.y();
    updateScrollBars();
    emit offsetChanged(offset);
}

void ImageView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const std::optional<QPoint> pixel = framePixelAt(event->position()))
        emit pixelDoubleClicked(*pixel);
}

void ImageView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    pointer.reset();
    updatePointerBadge();
}

void ImageView::updatePointerBadge()
{
    // Only the badge's corner: a whole repaint per mouse move would scale the frame each time.
    const QRectF r = imageRect();
    update(pointerBadgeRect(r, r.width() * 0.5).adjusted(-1, -1, 1, 1).toAlignedRect());
}

void ImageView::wheelEvent(QWheelEvent *event)
{
    // Nothing vertical (a tilt wheel, a sideways swipe, a gesture's start or end) is no zoom;
    // the event travels on to whoever wants it.
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    emit zoomRequested(wheelZoom(zoom, delta));
    event->accept();
}

void ImageView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutScrollBars();
}

void ImageView::updateScrollBars()
{
    if (!hScrollBar || !vScrollBar)
        return;
    const bool active = scrollBarsActive(!frame.isNull(), zoom);
    hScrollBar->setVisible(active);
    vScrollBar->setVisible(active);
    if (!active)
        return;

    const ScrollAxis x = scrollAxis(shownSize.width(), zoom);
    const ScrollAxis y = scrollAxis(shownSize.height(), zoom);
    const QPointF entryOffset = offset;
    offset.setX(clampToAxis(offset.x(), x));
    offset.setY(clampToAxis(offset.y(), y));

    // The bars' own valueChanged must not feed back into the offset.
    updatingScrollBars = true;
    hScrollBar->setRange(0, x.range);
    hScrollBar->setPageStep(shownSize.width());
    hScrollBar->setValue(scrollValue(offset.x(), x));
    vScrollBar->setRange(0, y.range);
    vScrollBar->setPageStep(shownSize.height());
    vScrollBar->setValue(scrollValue(offset.y(), y));
    updatingScrollBars = false;

    layoutScrollBars();
    if (offset != entryOffset)
        emit offsetChanged(offset);
}

void ImageView::layoutScrollBars()
{
    if (!hScrollBar || !vScrollBar || frame.isNull())
        return;
    const ScrollBarGeometry geometry = scrollBarGeometry(imageRect());
    hScrollBar->setGeometry(geometry.horizontal);
    vScrollBar->setGeometry(geometry.vertical);
    hScrollBar->raise();
    vScrollBar->raise();
}

void ImageView::onHorizontalScroll(int value)
{
    if (updatingScrollBars)
        return;
    offset.setX(offsetFromScrollValue(value, hScrollBar->maximum()));
    emit offsetChanged(offset);
    update();
}

void ImageView::onVerticalScroll(int value)
{
    if (updatingScrollBars)
        return;
    offset.setY(offsetFromScrollValue(value, vScrollBar->maximum()));
    emit offsetChanged(offset);
    update();
}
