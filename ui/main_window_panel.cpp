#include "ui/main_window.h"

#include "app/ui_language.h"
#include "ui/panel_widgets.h"
#include "ui/wheel_guard_scroll_area.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
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

    deviceCombo = new QComboBox(group);
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

    statusLabel = new QLabel(pickText(QStringLiteral("Not Open"), QStringLiteral("尚未開啟"), QStringLiteral("未打开")), group);
    statusLabel->setObjectName(QStringLiteral("StatusPill"));
    statusLabel->setAlignment(Qt::AlignCenter);
    statusLabel->setFixedHeight(32);
    addFormRow(form, group, pickText(QStringLiteral("Status"), QStringLiteral("狀態"), QStringLiteral("状态")), statusLabel);

    connect(deviceCombo, &QComboBox::currentIndexChanged, this, [this](int) { onDeviceSelectionChanged(); });
    connect(openButton, &QPushButton::clicked, this, &MainWindow::openCamera);
    connect(closeButton, &QPushButton::clicked, this, &MainWindow::closeCamera);
    connect(driverSettingsButton, &QPushButton::clicked, this, &MainWindow::openDriverSettings);
    return group;
}

QGroupBox *MainWindow::buildReticleGroup(QWidget *parent) { return new QGroupBox(parent); }
QGroupBox *MainWindow::buildParametersGroup(QWidget *parent) { return new QGroupBox(parent); }
