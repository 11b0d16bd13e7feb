#include "ui/camera_control_editor.h"

#include "ui/panel_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>
#include <utility>

namespace {

using ChangeHandler = std::function<void(int value)>;

CameraControlEditor createIntegerEditor(const CameraControl &control, QWidget *parent, ChangeHandler changed)
{
    const int shown = snapToControlStep(control.value, control);
    auto *slider = createSlider(parent, control.minimum, control.maximum, shown);
    slider->setSingleStep(control.step);
    slider->setPageStep(control.step);
    auto *spin = createSpinBox(parent, control.minimum, control.maximum, shown);
    spin->setSingleStep(control.step);
    QWidget *field = makePairRow(slider, spin);
    field->setParent(parent);

    auto show = [slider, spin](int value) {
        const QSignalBlocker sliderBlocker(slider);
        const QSignalBlocker spinBlocker(spin);
        slider->setValue(value);
        spin->setValue(value);
    };
    // The spin box only moves the slider; the slider's change is the one write, as on the panel.
    QObject::connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
    QObject::connect(slider, &QSlider::valueChanged, slider,
                     [control, show, changed = std::move(changed)](int value) {
                         // Drivers refuse or silently round values off their step grid.
                         const int snapped = snapToControlStep(value, control);
                         show(snapped);
                         changed(snapped);
                     });
    return {field, show};
}

CameraControlEditor createBooleanEditor(const CameraControl &control, QWidget *parent, ChangeHandler changed)
{
    auto *check = new QCheckBox(parent);
    check->setChecked(control.value != 0);
    QObject::connect(check, &QCheckBox::toggled, check,
                     [changed = std::move(changed)](bool checked) { changed(checked ? 1 : 0); });
    return {check, [check](int value) {
                const QSignalBlocker blocker(check);
                check->setChecked(value != 0);
            }};
}

CameraControlEditor createMenuEditor(const CameraControl &control, QWidget *parent, ChangeHandler changed)
{
    auto *combo = new QComboBox(parent);
    combo->setFixedHeight(32);
    for (const CameraMenuItem &item : control.menuItems)
        combo->addItem(item.text, item.index);
    auto show = [combo](int value) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(combo->findData(value));
    };
    show(control.value);
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                     [combo, changed = std::move(changed)](int index) {
                         if (index >= 0)
                             changed(combo->itemData(index).toInt());
                     });
    return {combo, show};
}

CameraControlEditor createButtonEditor(const CameraControl &control, QWidget *parent, ChangeHandler changed)
{
    auto *button = new QPushButton(control.name, parent);
    // Any value triggers a button control's action.
    QObject::connect(button, &QPushButton::clicked, button, [changed = std::move(changed)] { changed(1); });
    return {button, [](int) {}};
}

} // namespace

int snapToControlStep(qint64 value, const CameraControl &control)
{
    const qint64 minimum = control.minimum;
    const qint64 maximum = std::max<qint64>(control.minimum, control.maximum);
    const qint64 step = std::max(control.step, 1);
    const qint64 clamped = std::clamp(value, minimum, maximum);
    qint64 snapped = minimum + (clamped - minimum + step / 2) / step * step;
    // Rounding up may pass a maximum that is itself off the grid.
    if (snapped > maximum)
        snapped -= step;
    return static_cast<int>(snapped);
}

CameraControlEditor createControlEditor(const CameraControl &control, QWidget *parent,
                                        std::function<void(int value)> changed)
{
    switch (control.type) {
    case CameraControlType::Boolean:
        return createBooleanEditor(control, parent, std::move(changed));
    case CameraControlType::Menu:
    case CameraControlType::IntegerMenu:
        return createMenuEditor(control, parent, std::move(changed));
    case CameraControlType::Button:
        return createButtonEditor(control, parent, std::move(changed));
    case CameraControlType::Integer:
        break;
    }
    return createIntegerEditor(control, parent, std::move(changed));
}
