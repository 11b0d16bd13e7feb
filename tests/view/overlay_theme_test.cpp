#include "view_test_support.h"

#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "ui/main_window.h"
#include "view/image_view.h"
#include "view/overlay_painter.h"
#include "view/theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>

namespace {

// An 800 x 600 frame shown at quarter size in (50, 50, 200, 150); the centre code (402, 302)
// puts the overlay's centre on the middle of view pixel (150, 125).
constexpr double cx = 150.5;
constexpr double cy = 125.5;

OverlaySettings centredOverlay()
{
    OverlaySettings overlay;
    overlay.enabled = true;
    overlay.centerX = 402;
    overlay.centerY = 302;
    return overlay;
}

OverlaySettings reticle(int style, double angle, double length = 200, double thickness = 8)
{
    OverlaySettings overlay = centredOverlay();
    overlay.reticleEnabled = true;
    overlay.reticleStyle = style;
    overlay.reticleAngle = angle;
    overlay.reticleLength = length;
    overlay.reticleThickness = thickness;
    overlay.reticleColor = Qt::white;
    return overlay;
}

QImage paintOverlay(const OverlaySettings &overlay, QSize frameSize = QSize(800, 600))
{
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawOverlay(painter, QRectF(50, 50, 200, 150), frameSize, overlay);
    return image;
}

bool lit(const QImage &image, double x, double y)
{
    return pixel(image, x, y).red() > 128 || pixel(image, x, y).blue() > 128;
}

// Ink across one row around x, in pixels: the drawn line's width.
double inkAcross(const QImage &image, int y, int fromX, int toX)
{
    double sum = 0;
    for (int x = fromX; x <= toX; ++x)
        sum += qRed(image.pixel(x, y)) / 255.0;
    return sum;
}

bool allBlack(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(0, 0, 0))
                return false;
    return true;
}

QString ruleBody(const QString &sheet, const QString &selector)
{
    const int start = sheet.indexOf(selector + QStringLiteral(" {"));
    return start < 0 ? QString() : sheet.mid(start, sheet.indexOf(QLatin1Char('}'), start) - start);
}

QStringList parseWarnings;

void recordParseWarnings(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message.contains(QStringLiteral("Could not parse")))
        parseWarnings << message;
}

} // namespace

class OverlayThemeTest : public QObject {
    Q_OBJECT

private slots:
    void crossAndVanesPointWhereTheAngleSays();
    void penWidthScalesWithAFloorOfOnePixel();
    void circlesAreScaledAndLieUnderTheReticle();
    void overlayIsClippedToThePicture();
    void nothingIsDrawnWhenDisabledOrWithoutFrame();
    void nightSheetReplacesTheDayColours();
    void bothSheetsParse();
    void nightModeSwitchesSheetAndBothPaintedWidgets();
};

void OverlayThemeTest::crossAndVanesPointWhereTheAngleSays()
{
    // Arms 200 frame px long are 50 view px; probe 30 px out from the centre.
    const double d = 30;
    const double diagonal = d / std::sqrt(2.0);

    const QImage cross0 = paintOverlay(reticle(Cross, 0));
    QVERIFY(lit(cross0, cx, cy + d) && lit(cross0, cx, cy - d));
    QVERIFY(lit(cross0, cx + d, cy) && lit(cross0, cx - d, cy));
    QVERIFY(!lit(cross0, cx, cy + 60));
    QVERIFY(!lit(cross0, cx + diagonal, cy + diagonal));

    const QImage cross45 = paintOverlay(reticle(Cross, 45));
    QVERIFY(lit(cross45, cx + diagonal, cy + diagonal) && lit(cross45, cx - diagonal, cy + diagonal));
    QVERIFY(!lit(cross45, cx + d, cy) && !lit(cross45, cx, cy + d));

    // The first vane points down at 0 degrees, the others 120 degrees apart, counter-clockwise.
    const QImage vanes0 = paintOverlay(reticle(ThreeVane, 0));
    QVERIFY(lit(vanes0, cx, cy + d));
    QVERIFY(!lit(vanes0, cx, cy - d));
    QVERIFY(lit(vanes0, cx + d * 0.866, cy - d * 0.5));
    QVERIFY(lit(vanes0, cx - d * 0.866, cy - d * 0.5));

    for (int style : {int(ThreeVane), 5, -3}) {
        const QImage vanes90 = paintOverlay(reticle(style, 90));
        QVERIFY(lit(vanes90, cx + d, cy));
        QVERIFY(!lit(vanes90, cx - d, cy));
        QVERIFY(!lit(vanes90, cx, cy + d));
        QVERIFY(lit(vanes90, cx - d * 0.5, cy - d * 0.866));
    }
}

void OverlayThemeTest::penWidthScalesWithAFloorOfOnePixel()
{
    // At quarter scale thickness 8 is 2 px; thickness 2 would be 0.5 px but stays 1 px.
    const int row = int(cy + 30);
    QVERIFY(qAbs(inkAcross(paintOverlay(reticle(Cross, 0, 200, 8)), row, 140, 160) - 2.0) < 0.2);
    QVERIFY(qAbs(inkAcross(paintOverlay(reticle(Cross, 0, 200, 2)), row, 140, 160) - 1.0) < 0.2);
    QVERIFY(qAbs(inkAcross(paintOverlay(reticle(Cross, 0, 200, 0)), row, 140, 160) - 1.0) < 0.2);
}

void OverlayThemeTest::circlesAreScaledAndLieUnderTheReticle()
{
    OverlaySettings overlay = reticle(Cross, 0, 400, 4);
    overlay.circles[0] = {true, 160, 8, QColor(0, 0, 255)};
    overlay.circles[2] = {false, 80, 8, QColor(0, 255, 0)};
    const QImage image = paintOverlay(overlay);

    // Radius 160 frame px is 40 view px; the disc is not filled.
    QVERIFY(near(pixel(image, cx + 28, cy - 28), Qt::blue, 40));
    QVERIFY(!lit(image, cx + 20, cy - 20));
    QVERIFY(!lit(image, cx + 34, cy - 34));
    // Where the circle meets the reticle's arm, the reticle is on top.
    QVERIFY(near(pixel(image, cx, cy + 40), Qt::white, 10));
    // The disabled circle (20 px) is not drawn.
    QVERIFY(!lit(image, cx + 14, cy - 14));
}

void OverlayThemeTest::overlayIsClippedToThePicture()
{
    OverlaySettings overlay = reticle(Cross, 0, 2000, 8);
    overlay.centerX = 780;
    overlay.circles[0] = {true, 120, 8, QColor(0, 0, 255)};
    const QImage image = paintOverlay(overlay);
    const double centreX = 50 + 195.5;

    QVERIFY(lit(image, centreX - 30, cy));
    QVERIFY(lit(image, centreX, 52));
    QVERIFY(lit(image, 248, cy));
    for (int x = 251; x < 400; ++x)
        QVERIFY(!lit(image, x, cy) && !lit(image, x, cy - 15));
    for (int y = 0; y < 49; ++y)
        QVERIFY(!lit(image, centreX, y));
    for (int y = 201; y < 300; ++y)
        QVERIFY(!lit(image, centreX, y));
}

void OverlayThemeTest::nothingIsDrawnWhenDisabledOrWithoutFrame()
{
    OverlaySettings overlay = reticle(Cross, 0);
    overlay.circles[0] = {true, 160, 8, QColor(0, 0, 255)};
    QVERIFY(allBlack(paintOverlay(overlay, QSize(0, 600))));
    QVERIFY(allBlack(paintOverlay(overlay, QSize(800, 0))));
    overlay.enabled = false;
    QVERIFY(allBlack(paintOverlay(overlay)));
}

void OverlayThemeTest::nightSheetReplacesTheDayColours()
{
    const QString day = buildStyleSheet(false);
    const QString night = buildStyleSheet(true);
    for (const char *placeholder : {"%1", "%2", "%3"})
        QVERIFY(!day.contains(QLatin1String(placeholder)) && !night.contains(QLatin1String(placeholder)));
    QVERIFY(ruleBody(day, QStringLiteral("QGroupBox::title")).contains(QStringLiteral("background: #f7fafc;")));
    QVERIFY(ruleBody(day, QStringLiteral("QLabel#StatusPill")).contains(QStringLiteral("background: #e3f5fa;")));
    QVERIFY(ruleBody(night, QStringLiteral("QGroupBox::title")).contains(QStringLiteral("background: #1a090e;")));
    QVERIFY(ruleBody(night, QStringLiteral("QPushButton#PrimaryButton")).contains(QStringLiteral("background: #d84b68;")));

    for (const char *dayColour : {"#1d3442", "rgba(248, 250, 252, 245)", "#c3d2db", "#163343",
                                  "rgba(255, 255, 255, 245)", "#c7d6df", "#365261", "#17313f",
                                  "#b9cbd5", "#96a5ad", "#edf1f3", "#d5dfe4", "#9db9c8", "#aec4d0",
                                  "#234353", "#d7edf3", "#294958", "#9eb7c4", "#d8e4ea", "#eefbff",
                                  "#edf2f4", "#aabdc7", "#17b5d8", "background: #ffffff"}) {
        QVERIFY2(day.contains(QLatin1String(dayColour)), dayColour);
        QVERIFY2(!night.contains(QLatin1String(dayColour)), dayColour);
    }

    const QString valueLabel = ruleBody(night, QStringLiteral("QLabel#ValueLabel"));
    QVERIFY(valueLabel.contains(QStringLiteral("color: #ffffff;")));
    QVERIFY(valueLabel.contains(QStringLiteral("background: #260b14;")));
    QVERIFY(ruleBody(night, QStringLiteral("QPushButton#PrimaryButton")).contains(QStringLiteral("color: #ffffff;")));
    QVERIFY(ruleBody(night, QStringLiteral("QPushButton#PrimaryButton:hover")).contains(QStringLiteral("#e96780")));
    // Colours outside the table are shared by both themes.
    QVERIFY(ruleBody(night, QStringLiteral("QMessageBox")).contains(QStringLiteral("#f7fafc")));
    QVERIFY(ruleBody(night, QStringLiteral("QPushButton:disabled")).contains(QStringLiteral("#9ba9b0")));
}

void OverlayThemeTest::bothSheetsParse()
{
    for (bool night : {false, true}) {
        QWidget root;
        auto *layout = new QVBoxLayout(&root);
        layout->addWidget(new QLabel(QStringLiteral("label")));
        layout->addWidget(new QPushButton(QStringLiteral("button")));
        layout->addWidget(new QCheckBox(QStringLiteral("check")));
        layout->addWidget(new QComboBox);
        layout->addWidget(new QSlider(Qt::Horizontal));
        parseWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(recordParseWarnings);
        root.setStyleSheet(buildStyleSheet(night));
        root.ensurePolished();
        for (QWidget *child : root.findChildren<QWidget *>())
            child->ensurePolished();
        qInstallMessageHandler(previous);
        QVERIFY2(parseWarnings.isEmpty(), qPrintable(parseWarnings.join(QLatin1Char('\n'))));
    }
}

void OverlayThemeTest::nightModeSwitchesSheetAndBothPaintedWidgets()
{
    MainWindow window(std::make_unique<FakeCameraPlatform>());
    MainWindowTestAccess access(window);
    const QString daySheet = qApp->styleSheet();
    QCOMPARE(daySheet, buildStyleSheet(false));

    QWidget *root = window.centralWidget();
    ImageView *view = access.imageView();
    view->resize(692, 412);
    const auto renderRoot = [root] {
        QImage image(root->size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        root->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        return image;
    };
    // Rendering lays the window out first; measure the picture, not the widget beforehand.
    QImage background = renderRoot();
    QPoint last(background.width() - 1, background.height() - 1);
    QVERIFY(near(background.pixelColor(0, 0), QColor(250, 250, 250), 1));
    QVERIFY(near(background.pixelColor(last), QColor(250, 250, 250), 1));

    access.setNightMode(true);
    QCOMPARE(qApp->styleSheet(), buildStyleSheet(true));
    QVERIFY(root->property("nightMode").toBool());
    QVERIFY(view->property("nightMode").toBool());

    background = renderRoot();
    last = QPoint(background.width() - 1, background.height() - 1);
    QVERIFY(near(background.pixelColor(0, 0), QColor(18, 5, 9), 2));
    QVERIFY(near(background.pixelColor(last * 0.48), QColor(38, 9, 17), 2));
    QVERIFY(near(background.pixelColor(last), QColor(15, 4, 8), 2));

    QImage placeholder(view->size(), QImage::Format_RGB32);
    view->render(&placeholder);
    QVERIFY(near(placeholder.pixelColor(346, 206), QColor(29, 7, 14), 2));

    access.setNightMode(false);
    QCOMPARE(qApp->styleSheet(), daySheet);
    QVERIFY(!view->property("nightMode").toBool());
}

QObject *createOverlayThemeTest()
{
    return new OverlayThemeTest;
}

#include "overlay_theme_test.moc"
