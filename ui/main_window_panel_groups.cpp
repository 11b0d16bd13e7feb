#include "ui/main_window.h"

#include "app/ui_language.h"
#include "ui/panel_widgets.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSlider>
#include <QSpinBox>

#include <opencv2/videoio.hpp>

QGroupBox *MainWindow::buildCameraParametersGroup()
{
    auto *group = new QGroupBox(pickText(QStringLiteral("Camera Parameters"), QStringLiteral("攝影機參數"), QStringLiteral("摄像头参数")), this);
    auto *form = createGroupForm(group);

    brightnessSlider = createSlider(this, 1, 64, 32);
    focusSlider = createSlider(this, 0, 1023, 536);
    gainSlider = createSlider(this, 0, 15, 0);
    exposureSlider = createSlider(this, -13, -1, -7);
    zoomSlider = createSlider(this, 10, 80, 10);
    brightnessSpin = createSpinBox(this, 1, 64, 32);
    focusSpin = createSpinBox(this, 0, 1023, 536);
    gainSpin = createSpinBox(this, 0, 15, 0);
    exposureSpin = createSpinBox(this, -13, -1, -7);
    zoomSpin = createDoubleSpinBox(group, 1.0, 8.0);
    zoomSpin->setSuffix(QStringLiteral("x"));
    autoFocusCheck = new QCheckBox(pickText(QStringLiteral("Auto Focus"), QStringLiteral("自動對焦"), QStringLiteral("自动对焦")), group);
    autoExposureCheck = new QCheckBox(pickText(QStringLiteral("Auto Exposure"), QStringLiteral("自動曝光"), QStringLiteral("自动曝光")), group);
    nightModeCheck = new QCheckBox(pickText(QStringLiteral("Night Mode"), QStringLiteral("夜間模式"), QStringLiteral("夜间模式")), group);

    connect(brightnessSlider, &QSlider::valueChanged, this, [this](int v) {
        brightnessSpin->setValue(v);
        setCameraProperty(cv::CAP_PROP_BRIGHTNESS, v, QStringLiteral("brightness"));
    });
    connect(focusSlider, &QSlider::valueChanged, this, [this](int v) {
        focusSpin->setValue(v);
        if (!autoFocusCheck->isChecked())
            setCameraProperty(cv::CAP_PROP_FOCUS, v, QStringLiteral("focus"));
    });
    connect(gainSlider, &QSlider::valueChanged, this, [this](int v) {
        gainSpin->setValue(v);
        setCameraProperty(cv::CAP_PROP_GAIN, v, QStringLiteral("gain"));
    });
    connect(exposureSlider, &QSlider::valueChanged, this, [this](int v) {
        exposureSpin->setValue(v);
        if (!autoExposureCheck->isChecked())
            setCameraProperty(cv::CAP_PROP_EXPOSURE, v, QStringLiteral("exposure"));
    });
    connect(zoomSlider, &QSlider::valueChanged, this, [this](int v) { setZoom(v / 10.0); });
    connect(brightnessSpin, &QSpinBox::valueChanged, brightnessSlider, &QSlider::setValue);
    connect(focusSpin, &QSpinBox::valueChanged, focusSlider, &QSlider::setValue);
    connect(gainSpin, &QSpinBox::valueChanged, gainSlider, &QSlider::setValue);
    connect(exposureSpin, &QSpinBox::valueChanged, exposureSlider, &QSlider::setValue);
    connect(zoomSpin, &QDoubleSpinBox::valueChanged, this, &MainWindow::setZoom);
    connect(autoFocusCheck, &QCheckBox::toggled, this, &MainWindow::setAutoFocus);
    connect(autoExposureCheck, &QCheckBox::toggled, this, &MainWindow::setAutoExposure);
    connect(nightModeCheck, &QCheckBox::toggled, this, &MainWindow::setNightMode);

    form->addRow(pickText(QStringLiteral("Brightness"), QStringLiteral("亮度"), QStringLiteral("亮度")), makePairRow(brightnessSlider, brightnessSpin));
    form->addRow(pickText(QStringLiteral("Focus"), QStringLiteral("對焦"), QStringLiteral("对焦")), makePairRow(focusSlider, focusSpin));
    form->addRow(pickText(QStringLiteral("Gain"), QStringLiteral("增益"), QStringLiteral("增益")), makePairRow(gainSlider, gainSpin));
    form->addRow(pickText(QStringLiteral("Exposure"), QStringLiteral("曝光"), QStringLiteral("曝光")), makePairRow(exposureSlider, exposureSpin));
    form->addRow(pickText(QStringLiteral("Zoom"), QStringLiteral("縮放"), QStringLiteral("缩放")), makePairRow(zoomSlider, zoomSpin));

    auto *switches = new QWidget(group);
    auto *switchLayout = new QHBoxLayout(switches);
    switchLayout->setContentsMargins(0, 0, 0, 0);
    switchLayout->setSpacing(10);
    switchLayout->addWidget(autoFocusCheck);
    switchLayout->addWidget(autoExposureCheck);
    switchLayout->addWidget(nightModeCheck);
    switchLayout->addStretch();
    form->addRow(switches);
    return group;
}

QGroupBox *MainWindow::buildCenterGroup() { return new QGroupBox(this); }
QGroupBox *MainWindow::buildCircleGroup(int) { return new QGroupBox(this); }
