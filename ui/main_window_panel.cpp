#include "ui/main_window.h"

#include "app/ui_language.h"
#include "ui/color_buttons.h"
#include "ui/eliding_combo_box.h"
#include "ui/eliding_label.h"
#include "ui/panel_widgets.h"
#include "ui/wheel_guard_scroll_area.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

QWidget *MainWindow::buildControlPanel()
{
    auto *scroll = new WheelGuardScrollArea(this);
    scroll->setObjectName(QStringLiteral("ControlScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFixedWidth(currentUiLanguage() == UiLanguage::English ? 430 : 360);

    auto *panel = new QWidget(scroll);
    panel->setObjectName(QStringLiteral("ControlPanel"));
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(7);
    layout->addWidget(buildCameraGroup(panel), 0);
    layout->addWidget(buildCameraParametersGroup(), 0);
    layout->addWidget(buildCenterGroup(), 0);
    for (int i = 0; i < 3; ++i)
        layout->addWidget(buildCircleGroup(i), 0);
    layout->addWidget(buildReticleGroup(panel), 0);
    layout->addWidget(buildParametersGroup(panel), 0);
    layout->addStretch(0);

    scroll->setWidget(panel);
    return scroll;
}

QGroupBox *MainWindow::buildCameraGroup(QWidget *parent)
{
    auto *group = new QGroupBox(pickText(QStringLiteral("Camera"), QStringLiteral("攝影機"), QStringLiteral("摄像头")), parent);
    auto *form = createGroupForm(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    deviceCombo = new ElidingComboBox(group);
    deviceCombo->setFixedHeight(32);
    addFormRow(form, group, pickText(QStringLiteral("Device"), QStringLiteral("裝置"), QStringLiteral("设备")), deviceCombo);

    resolutionLabel = new QLabel(pickText(QStringLiteral("Detecting..."), QStringLiteral("等待偵測"), QStringLiteral("等待检测")), group);
    resolutionLabel->setObjectName(QStringLiteral("ValueLabel"));
    resolutionLabel->setAlignment(Qt::AlignCenter);
    resolutionLabel->setFixedHeight(32);
    addFormRow(form, group, pickText(QStringLiteral("Resolution"), QStringLiteral("解析度"), QStringLiteral("分辨率")), resolutionLabel);

    auto *buttons = new QWidget(group);
    auto *buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    buttonLayout->setSpacing(8);
    openButton = new QPushButton(pickText(QStringLiteral("Open"), QStringLiteral("開啟"), QStringLiteral("打开")), buttons);
    openButton->setObjectName(QStringLiteral("PrimaryButton"));
    closeButton = new QPushButton(pickText(QStringLiteral("Close"), QStringLiteral("關閉"), QStringLiteral("关闭")), buttons);
    driverSettingsButton = new QPushButton(pickText(QStringLiteral("More Settings"), QStringLiteral("更多設定"), QStringLiteral("更多设置")), buttons);
    buttonLayout->addWidget(openButton, 0);
    buttonLayout->addWidget(closeButton, 0);
    buttonLayout->addWidget(driverSettingsButton, 0);
    form->addRow(buttons);
    // A row of its own: a fourth button beside the others would widen the panel past its width.
    snapshotButton = new QPushButton(pickText(QStringLiteral("Save Snapshot"), QStringLiteral("儲存快照"), QStringLiteral("保存快照")), group);
    autoReconnectCheck = new QCheckBox(pickText(QStringLiteral("Auto Reconnect"), QStringLiteral("自動重新連接"), QStringLiteral("自动重新连接")), group);
    // Off until the operator ticks it: by default a lost camera stays closed until Open.
    autoReconnectCheck->setChecked(false);
    autoReconnectCheck->setToolTip(pickText(QStringLiteral("Reopen the camera by itself when it comes back after a disconnection"),
                                            QStringLiteral("攝影機中斷後重新出現時自動開啟"),
                                            QStringLiteral("摄像头断开后重新出现时自动打开")));
    form->addRow(makeSwitchRow(group, autoReconnectCheck, snapshotButton));

    statusLabel = new ElidingLabel(pickText(QStringLiteral("Not Open"), QStringLiteral("尚未開啟"), QStringLiteral("未打开")), group);
    statusLabel->setObjectName(QStringLiteral("StatusPill"));
    statusLabel->setAlignment(Qt::AlignCenter);
    statusLabel->setFixedHeight(32);
    addFormRow(form, group, pickText(QStringLiteral("Status"), QStringLiteral("狀態"), QStringLiteral("状态")), statusLabel);

    connect(deviceCombo, &QComboBox::currentIndexChanged, this, [this](int) { onDeviceSelectionChanged(); });
    connect(openButton, &QPushButton::clicked, this, &MainWindow::openCamera);
    connect(closeButton, &QPushButton::clicked, this, &MainWindow::closeCamera);
    connect(driverSettingsButton, &QPushButton::clicked, this, &MainWindow::openDriverSettings);
    connect(snapshotButton, &QPushButton::clicked, this, &MainWindow::requestSnapshot);
    // The operator's choice of a device ends a wait; a refilled list does not.
    connect(deviceCombo, &QComboBox::activated, this, [this](int) { stopAwaitingCamera(); });
    connect(autoReconnectCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            stopAwaitingCamera();
    });
    // Only the operator's click is stored; loading the stored state must not write it back.
    connect(autoReconnectCheck, &QCheckBox::clicked, this, &MainWindow::saveAutoReconnect);
    return group;
}

QGroupBox *MainWindow::buildReticleGroup(QWidget *parent)
{
    auto *group = new QGroupBox(pickText(QStringLiteral("Reticle Settings"), QStringLiteral("準星設定"), QStringLiteral("准星设置")), parent);
    auto *form = createGroupForm(group);

    reticleEnableCheck = new QCheckBox(pickText(QStringLiteral("Enable"), QStringLiteral("啟用"), QStringLiteral("启用")), group);
    reticleEnableCheck->setChecked(true);
    reticleStyleCombo = new QComboBox(group);
    reticleStyleCombo->addItem(pickText(QStringLiteral("Cross-shaped"), QStringLiteral("十字支架"), QStringLiteral("十字支架")));
    reticleStyleCombo->addItem(pickText(QStringLiteral("Three-vane"), QStringLiteral("三葉支架"), QStringLiteral("三叶支架")));
    reticleStyleCombo->setFixedHeight(32);
    reticleLengthSlider = createSlider(this, 20, 4000, 420);
    reticleThicknessSlider = createSlider(this, 1, 20, 2);
    reticleAngleSlider = createSlider(this, 0, 3600, 0);
    reticleLengthSpin = createSpinBox(this, 20, 4000, 420);
    reticleThicknessSpin = createSpinBox(this, 1, 20, 2);
    reticleAngleSpin = createDoubleSpinBox(group, 0.0, 360.0);
    reticleColorButton = new QPushButton(pickText(QStringLiteral("Select Color"), QStringLiteral("選擇顏色"), QStringLiteral("选择颜色")), group);
    styleColorButton(reticleColorButton, reticleColor);

    connect(reticleColorButton, &QPushButton::clicked, this, [this] {
        reticleColor = chooseColor(this, reticleColor);
        styleColorButton(reticleColorButton, reticleColor);
    });
    linkSliderAndSpin(reticleLengthSlider, reticleLengthSpin);
    linkSliderAndSpin(reticleThicknessSlider, reticleThicknessSpin);
    // The slider holds tenths of a degree so that it stays an integer control.
    connect(reticleAngleSlider, &QSlider::valueChanged, this, [this](int v) { reticleAngleSpin->setValue(v / 10.0); });
    connect(reticleAngleSpin, &QDoubleSpinBox::valueChanged, this, [this](double d) { reticleAngleSlider->setValue(qRound(d * 10)); });

    form->addRow(makeSwitchRow(group, reticleEnableCheck, reticleColorButton));
    form->addRow(pickText(QStringLiteral("Style"), QStringLiteral("樣式"), QStringLiteral("样式")), reticleStyleCombo);
    form->addRow(pickText(QStringLiteral("Length"), QStringLiteral("長度"), QStringLiteral("长度")), makePairRow(reticleLengthSlider, reticleLengthSpin));
    form->addRow(pickText(QStringLiteral("Thickness"), QStringLiteral("粗細"), QStringLiteral("粗细")), makePairRow(reticleThicknessSlider, reticleThicknessSpin));
    form->addRow(pickText(QStringLiteral("Angle"), QStringLiteral("角度"), QStringLiteral("角度")), makePairRow(reticleAngleSlider, reticleAngleSpin));
    return group;
}

QGroupBox *MainWindow::buildParametersGroup(QWidget *parent)
{
    auto *group = new QGroupBox(pickText(QStringLiteral("Parameters"), QStringLiteral("參數"), QStringLiteral("参数")), parent);
    auto *layout = new QHBoxLayout(group);
    layout->setSpacing(8);
    auto *saveButton = new QPushButton(pickText(QStringLiteral("Save Parameters"), QStringLiteral("儲存參數"), QStringLiteral("保存参数")), group);
    saveButton->setObjectName(QStringLiteral("PrimaryButton"));
    auto *loadButton = new QPushButton(pickText(QStringLiteral("Load Parameters"), QStringLiteral("讀取參數"), QStringLiteral("读取参数")), group);
    layout->addWidget(saveButton, 0);
    layout->addWidget(loadButton, 0);

    connect(saveButton, &QPushButton::clicked, this, &MainWindow::saveParameters);
    connect(loadButton, &QPushButton::clicked, this, &MainWindow::loadParameters);
    return group;
}
