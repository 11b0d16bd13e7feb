#include "ui/main_window.h"

#include "app/ui_language.h"
#include "ui/operator_message.h"
#include "view/image_view.h"
#include "persistence/pixel_scale_file.h"
#include "view/spot_badge.h"

#include <QInputDialog>
#include <QMenu>

#include <cmath>

namespace {

QString scaleTitle()
{
    return pickText(QStringLiteral("Scale"), QStringLiteral("比例"), QStringLiteral("比例"));
}

} // namespace

void MainWindow::showSpotReading(const FocusReading &reading)
{
    const SpotReading &found = reading.spot;
    lastSpot = found.found ? std::optional<QPointF>(QPointF(found.centre.x, found.centre.y)) : std::nullopt;
    SpotBadge badge = spotBadgeFor(found.found, QPointF(found.centre.x, found.centre.y), QPointF(overlayCentre()),
                                   micrometresPerPixel);
    if (reading.valid && reading.cornersValid)
        setCornerScores(badge, reading.score, reading.corners);
    imageView->setSpotBadge(badge);
}

void MainWindow::showPictureMenu(const QPoint &viewPosition)
{
    if (!openedCamera || imageView->currentFrame().isNull())
        return;
    QMenu menu(this);
    menu.addAction(pickText(QStringLiteral("Set scale…"), QStringLiteral("設定比例…"), QStringLiteral("设置比例…")), this,
                   &MainWindow::askPixelScale);
    menu.addAction(pickText(QStringLiteral("Measure scale…"), QStringLiteral("量測比例…"), QStringLiteral("测量比例…")), this,
                   &MainWindow::startScaleMeasurement);
    QAction *centre = menu.addAction(pickText(QStringLiteral("Centre on spot"), QStringLiteral("定心到光點"),
                                              QStringLiteral("定心到光点")),
                                     this, &MainWindow::centreOnSpot);
    centre->setEnabled(lastSpot.has_value());
    menu.exec(imageView->mapToGlobal(viewPosition));
}

void MainWindow::askPixelScale()
{
    if (!openedCamera)
        return;
    bool ok = false;
    const double value = QInputDialog::getDouble(
        this, scaleTitle(),
        pickText(QStringLiteral("Micrometres per camera pixel for %1:"), QStringLiteral("%1 每個攝影機像素的微米數："),
                 QStringLiteral("%1 每个摄像头像素的微米数："))
            .arg(openedCamera->name),
        micrometresPerPixel.value_or(1.0), 0.0001, maxPixelScale, 4, &ok);
    if (!ok || !openedCamera)
        return;
    storePixelScale(value, QStringLiteral("set to"), scaleTitle());
}

void MainWindow::startScaleMeasurement()
{
    measuringScale = true;
    scalePoints.clear();
    showOperatorMessage(this, MessageKind::Information, scaleTitle(),
                        pickText(QStringLiteral("Double-click two points on the picture a known distance apart."),
                                 QStringLiteral("請在畫面上雙擊兩個已知距離的點。"),
                                 QStringLiteral("请在画面上双击两个已知距离的点。")));
}

void MainWindow::takePictureDoubleClick(const QPoint &pixel)
{
    if (!measuringScale) {
        setCenterCodeAt(pixel);
        return;
    }
    scalePoints.push_back(pixel);
    if (scalePoints.size() < 2)
        return;
    measuringScale = false;
    const QPoint d = scalePoints[1] - scalePoints[0];
    scalePoints.clear();
    const double pixels = std::hypot(d.x(), d.y());
    if (pixels < 1.0 || !openedCamera)
        return;
    bool ok = false;
    const double micrometres = QInputDialog::getDouble(
        this, scaleTitle(),
        pickText(QStringLiteral("The points are %1 px apart. Their distance in micrometres:"),
                 QStringLiteral("兩點相距 %1 px。其實際距離（微米）："), QStringLiteral("两点相距 %1 px。其实际距离（微米）："))
            .arg(QString::number(pixels, 'f', 1)),
        pixels * micrometresPerPixel.value_or(1.0), 0.0001, pixels * maxPixelScale, 3, &ok);
    if (!ok || !openedCamera)
        return;
    storePixelScale(micrometres / pixels, QStringLiteral("measured as"), scaleTitle());
}

void MainWindow::centreOnSpot()
{
    // As a double-click: the code is set, and saved only by Save Center Code. The overlay's
    // centre falls on pixel corners, so the nearest corner to the spot is the closest it gets.
    if (lastSpot)
        setCenterCodeAt(QPoint(int(std::lround(lastSpot->x())), int(std::lround(lastSpot->y()))));
}
