#include "ui/main_window.h"

#include "view/image_view.h"
#include "view/star_background_widget.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr QSize designedMinimumSize(1120, 680);

} // namespace

MainWindow::MainWindow(std::unique_ptr<CameraPlatform> cameraPlatform, QWidget *parent)
    : QMainWindow(parent),
      platform(std::move(cameraPlatform)),
      capture(platform->createCapture())
{
    spareFrames.reserve(maxSpareFrames);
    setWindowTitle(QStringLiteral("VESK"));
    setMinimumSize(designedMinimumSize);

    // The application style sheet must be in place before the first widget exists.
    applyTheme(false);

    circles[0] = {true, 300, 2, QColor(80, 220, 120)};
    circles[1] = {true, 460, 2, QColor(255, 100, 90)};
    circles[2] = {true, 620, 2, QColor(90, 170, 255)};

    auto *root = new StarBackgroundWidget(this);
    root->setAutoFillBackground(false);
    root->setObjectName(QStringLiteral("AppRoot"));
    auto *rootLayout = new QHBoxLayout(root);
    rootLayout->setContentsMargins(10, 10, 10, 10);
    rootLayout->setSpacing(10);
    rootLayout->addWidget(buildCentralArea(), 1);
    rootLayout->addWidget(buildControlPanel(), 0);
    setCentralWidget(root);

    connect(&frameTimer, &QTimer::timeout, this, &MainWindow::grabFrame);
    deviceTimer.setInterval(1500);
    connect(&deviceTimer, &QTimer::timeout, this, &MainWindow::checkDeviceList);

    refreshDeviceList();
    deviceTimer.start();
    loadParameters();
}

MainWindow::~MainWindow()
{
    // The capture thread must be joined before the members it uses go away.
    closeCamera();
}

void MainWindow::resizeWithin(const QSize &preferred, const QRect &available)
{
    // The frame the system adds is known once the native window exists; on some systems
    // only once it is shown, and then the area is the best guess there is.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize room = available.size().shrunkBy(frame);
    setMinimumSize(designedMinimumSize.boundedTo(room));
    // The panel keeps its width and scrolls: what the layout still lacks comes off the
    // picture's minimum, which would otherwise push the panel over it.
    const QSize excess = (minimumSizeHint() - room).expandedTo(QSize(0, 0));
    if (!excess.isNull())
        imageView->setMinimumSize((imageView->minimumSize() - excess).expandedTo(QSize(0, 0)));
    const QSize size = preferred.boundedTo(room);
    resize(size);
    // Wherever the system would have put it, a window as large as the area only fits at its corner.
    if (size != preferred)
        move(available.topLeft());
}

QWidget *MainWindow::buildCentralArea()
{
    auto *container = new QWidget(this);
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);

    imageView = new ImageView(container);
    layout->addWidget(imageView, 1);

    connect(imageView, &ImageView::zoomRequested, this, &MainWindow::setZoom);
    connect(imageView, &ImageView::offsetChanged, this,
            [this](QPointF offset) { viewOffset = offset; });
    connect(imageView, &ImageView::pixelDoubleClicked, this, &MainWindow::takePictureDoubleClick);
    imageView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(imageView, &QWidget::customContextMenuRequested, this, &MainWindow::showPictureMenu);
    return container;
}
