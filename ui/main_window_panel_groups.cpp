#include "ui/main_window.h"

#include "app/ui_language.h"
#include "ui/color_buttons.h"
#include "ui/panel_widgets.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
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

QGroupBox *MainWindow::buildCenterGroup()
{
    auto *group = new QGroupBox(pickText(QStringLiteral("Center Settings"), QStringLiteral("定心設定"), QStringLiteral("定心设置")), this);
    auto *form = createGroupForm(group);

    centerOffsetCheck = new QCheckBox(pickText(QStringLiteral("Enable Center Offset"), QStringLiteral("啟用定心偏移"), QStringLiteral("启用定心偏移")), group);
    centerCodeXSpin = createSpinBox(this, 0, 10000, 0);
    centerCodeXSpin->setFixedWidth(96);
    centerCodeYSpin = createSpinBox(this, 0, 10000, 0);
    centerCodeYSpin->setFixedWidth(96);
    auto *saveCenterButton = new QPushButton(pickText(QStringLiteral("Save Center Code"), QStringLiteral("儲存定心碼"), QStringLiteral("保存定心码")), group);
    saveCenterButton->setObjectName(QStringLiteral("PrimaryButton"));
    saveCenterButton->setFixedHeight(32);
    offsetXSlider = createSlider(this, -20, 20, 0);
    offsetYSlider = createSlider(this, -20, 20, 0);
    offsetXSpin = createSpinBox(this, -20, 20, 0);
    offsetYSpin = createSpinBox(this, -20, 20, 0);

    auto *codeRow = new QWidget(group);
    auto *codeLayout = new QHBoxLayout(codeRow);
    codeLayout->setContentsMargins(0, 0, 0, 0);
    codeLayout->setSpacing(7);
    auto *xLabel = new QLabel(QStringLiteral("X"), codeRow);
    xLabel->setAlignment(Qt::AlignCenter);
    auto *yLabel = new QLabel(QStringLiteral("Y"), codeRow);
    yLabel->setAlignment(Qt::AlignCenter);
    codeLayout->addWidget(xLabel);
    codeLayout->addWidget(centerCodeXSpin);
    codeLayout->addStretch();
    codeLayout->addWidget(yLabel);
    codeLayout->addWidget(centerCodeYSpin);

    linkSliderAndSpin(offsetXSlider, offsetXSpin);
    linkSliderAndSpin(offsetYSlider, offsetYSpin);
    connect(centerCodeXSpin, &QSpinBox::valueChanged, this, [this](int v) { centerCodeX = v; });
    connect(centerCodeYSpin, &QSpinBox::valueChanged, this, [this](int v) { centerCodeY = v; });
    connect(saveCenterButton, &QPushButton::clicked, this, &MainWindow::saveFocusCenter);

    form->addRow(pickText(QStringLiteral("Center Code"), QStringLiteral("定心碼"), QStringLiteral("定心码")), codeRow);
    form->addRow(QString(), saveCenterButton);
    form->addRow(centerOffsetCheck);
    form->addRow(QStringLiteral("X"), makePairRow(offsetXSlider, offsetXSpin));
    form->addRow(QStringLiteral("Y"), makePairRow(offsetYSlider, offsetYSpin));
    return group;
}

QGroupBox *MainWindow::buildCircleGroup(int index)
{
    const auto i = static_cast<std::size_t>(index);
    const CircleSettings &circle = circles[i];
    auto *group = new QGroupBox(pickText(QStringLiteral("Circle %1 Settings"), QStringLiteral("圈%1設定"), QStringLiteral("圈%1设置")).arg(index + 1), this);
    auto *form = createGroupForm(group);

    auto *enableCheck = new QCheckBox(pickText(QStringLiteral("Enable"), QStringLiteral("啟用"), QStringLiteral("启用")), group);
    enableCheck->setChecked(circle.enabled);
    auto *radiusSlider = createSlider(this, 10, 2400, circle.radius);
    auto *thicknessSlider = createSlider(this, 1, 20, circle.thickness);
    auto *radiusSpin = createSpinBox(this, 10, 2400, circle.radius);
    auto *thicknessSpin = createSpinBox(this, 1, 20, circle.thickness);
    auto *colorButton = new QPushButton(pickText(QStringLiteral("Select Color"), QStringLiteral("選擇顏色"), QStringLiteral("选择颜色")), group);
    styleColorButton(colorButton, circle.color);
    circleEnableChecks[i] = enableCheck;
    circleRadiusSliders[i] = radiusSlider;
    circleThicknessSliders[i] = thicknessSlider;
    circleRadiusSpins[i] = radiusSpin;
    circleThicknessSpins[i] = thicknessSpin;
    circleColorButtons[i] = colorButton;

    // `circles` mirrors the widgets: the overlay and the parameter file read it, not the widgets.
    connect(enableCheck, &QCheckBox::toggled, this, [this, i](bool c) { circles[i].enabled = c; });
    linkSliderAndSpin(radiusSlider, radiusSpin);
    connect(radiusSlider, &QSlider::valueChanged, this, [this, i](int v) { circles[i].radius = v; });
    linkSliderAndSpin(thicknessSlider, thicknessSpin);
    connect(thicknessSlider, &QSlider::valueChanged, this, [this, i](int v) { circles[i].thickness = v; });
    connect(colorButton, &QPushButton::clicked, this, [this, i] {
        circles[i].color = chooseColor(this, circles[i].color);
        styleColorButton(circleColorButtons[i], circles[i].color);
    });

    form->addRow(makeSwitchRow(group, enableCheck, colorButton));
    form->addRow(pickText(QStringLiteral("Radius"), QStringLiteral("半徑"), QStringLiteral("半径")), makePairRow(radiusSlider, radiusSpin));
    form->addRow(pickText(QStringLiteral("Thickness"), QStringLiteral("粗細"), QStringLiteral("粗细")), makePairRow(thicknessSlider, thicknessSpin));
    return group;
}
