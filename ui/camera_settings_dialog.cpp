#include "ui/camera_settings_dialog.h"

#include "app/ui_language.h"
#include "ui/panel_widgets.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <set>
#include <utility>

namespace {

// Resetting an auto mode can make manual controls editable that were skipped before it.
constexpr int resetPasses = 2;

} // namespace

CameraSettingsDialog::CameraSettingsDialog(std::unique_ptr<CameraControlSource> controlSource,
                                           CapturePropertyWriter writeProperty, LogWriter log,
                                           QWidget *parent)
    : QDialog(parent), source(std::move(controlSource)),
      writePath(*source, std::move(writeProperty), std::move(log))
{
    setWindowTitle(pickText(QStringLiteral("Camera Settings"), QStringLiteral("攝影機設定"),
                            QStringLiteral("摄像头设置")));
    setModal(false);
    resize(520, 600);

    scrollArea = new QScrollArea(this);
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);

    resetButton = new QPushButton(pickText(QStringLiteral("Reset to defaults"), QStringLiteral("恢復預設值"),
                                           QStringLiteral("恢复默认值")),
                                  this);
    closeButton = new QPushButton(pickText(QStringLiteral("Close"), QStringLiteral("關閉"), QStringLiteral("关闭")),
                                  this);
    resetButton->setAutoDefault(false);
    closeButton->setAutoDefault(false);
    connect(resetButton, &QPushButton::clicked, this, &CameraSettingsDialog::resetToDefaults);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(resetButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scrollArea, 1);
    layout->addLayout(buttons);

    controls = source->listControls();
    rebuildRows();
}

CameraSettingsDialog::~CameraSettingsDialog() = default;

QWidget *CameraSettingsDialog::controlField(quint32 id) const
{
    const auto row = rows.find(id);
    return row == rows.end() ? nullptr : row->second.editor.field;
}

void CameraSettingsDialog::refreshControls()
{
    std::vector<CameraControl> fresh = source->listControls();
    const bool sameControls = sameControlsAsShown(fresh);
    controls = std::move(fresh);
    if (sameControls)
        showControls();
    else
        rebuildRows();
}

void CameraSettingsDialog::resetToDefaults()
{
    std::set<quint32> written;
    for (int pass = 0; pass < resetPasses; ++pass) {
        bool wroteAny = false;
        // By index: every write re-reads `controls`.
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const CameraControl control = controls[i];
            if (control.type == CameraControlType::Button || !isControlEditable(control)
                || control.value == control.defaultValue || written.count(control.id) != 0)
                continue;
            // Once per control, so a refused default is logged once, not once per pass.
            written.insert(control.id);
            writeControl(control.id, control.defaultValue);
            wroteAny = true;
        }
        if (!wroteAny)
            break;
    }
}

void CameraSettingsDialog::rebuildRows()
{
    auto *content = new QWidget;
    rows.clear();
    if (controls.empty()) {
        auto *layout = new QVBoxLayout(content);
        auto *emptyLabel = new QLabel(pickText(QStringLiteral("This camera reports no settings."),
                                               QStringLiteral("此攝影機沒有回報任何設定。"),
                                               QStringLiteral("此摄像头没有报告任何设置。")),
                                      content);
        emptyLabel->setAlignment(Qt::AlignCenter);
        layout->addWidget(emptyLabel);
    } else {
        auto *form = createGroupForm(content);
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        for (const CameraControl &control : controls) {
            const quint32 id = control.id;
            Row row;
            row.editor = createControlEditor(control, content, [this, id](int value) { writeControl(id, value); });
            // A button carries the driver's name itself.
            row.label = new QLabel(control.type == CameraControlType::Button ? QString() : control.name, content);
            form->addRow(row.label, row.editor.field);
            rows.emplace(id, row);
        }
    }
    // The old rows may be the sender of the change that led here: delete them once it returns.
    if (QWidget *old = scrollArea->takeWidget())
        old->deleteLater();
    scrollArea->setWidget(content);
    showControls();
}

void CameraSettingsDialog::showControls()
{
    bool anyResettable = false;
    for (const CameraControl &control : controls) {
        const auto row = rows.find(control.id);
        if (row == rows.end())
            continue;
        const bool editable = isControlEditable(control);
        row->second.editor.showValue(control.value);
        row->second.editor.field->setEnabled(editable);
        row->second.label->setEnabled(editable);
        anyResettable = anyResettable || (editable && control.type != CameraControlType::Button);
    }
    resetButton->setEnabled(anyResettable);
}

bool CameraSettingsDialog::sameControlsAsShown(const std::vector<CameraControl> &fresh) const
{
    if (fresh.size() != controls.size())
        return false;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const CameraControl &now = fresh[i];
        const CameraControl &shown = controls[i];
        if (now.id != shown.id || now.type != shown.type || now.minimum != shown.minimum
            || now.maximum != shown.maximum || now.step != shown.step || now.menuItems.size() != shown.menuItems.size())
            return false;
    }
    return true;
}

const CameraControl *CameraSettingsDialog::findControl(quint32 id) const
{
    for (const CameraControl &control : controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

void CameraSettingsDialog::writeControl(quint32 id, int value)
{
    const CameraControl *control = findControl(id);
    if (!control)
        return;
    writePath.write(*control, value);
    refreshControls();
}
