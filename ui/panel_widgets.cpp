#include "ui/panel_widgets.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

QSlider *createSlider(QWidget *parent, int min, int max, int value)
{
    auto *slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(min, max);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    slider->setValue(value);
    slider->setMinimumWidth(96);
    return slider;
}

namespace {

void styleNumberEditor(QAbstractSpinBox *editor)
{
    editor->setObjectName(QStringLiteral("ValueEditor"));
    editor->setButtonSymbols(QAbstractSpinBox::NoButtons);
    editor->setKeyboardTracking(false);
    editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editor->setFixedSize(76, 32);
}

} // namespace

QSpinBox *createSpinBox(QWidget *parent, int min, int max, int value)
{
    auto *spin = new QSpinBox(parent);
    styleNumberEditor(spin);
    spin->setRange(min, max);
    spin->setSingleStep(1);
    spin->setValue(value);
    return spin;
}

QDoubleSpinBox *createDoubleSpinBox(QWidget *parent, double min, double max)
{
    auto *spin = new QDoubleSpinBox(parent);
    styleNumberEditor(spin);
    spin->setDecimals(1);
    spin->setSingleStep(0.1);
    spin->setRange(min, max);
    return spin;
}

QWidget *makePairRow(QWidget *first, QWidget *second)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(first, 0);
    layout->addWidget(second, 0);
    return row;
}

void addFormRow(QFormLayout *form, QWidget *labelParent, const QString &text, QWidget *field)
{
    auto *label = new QLabel(text, labelParent);
    label->setFixedWidth(72);
    label->setAlignment(Qt::AlignCenter);
    field->setMinimumWidth(0);
    field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    form->addRow(label, field);
}

QFormLayout *createGroupForm(QWidget *group)
{
    auto *form = new QFormLayout(group);
    form->setLabelAlignment(Qt::AlignCenter);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(6);
    return form;
}

void linkSliderAndSpin(QSlider *slider, QSpinBox *spin)
{
    QObject::connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
    QObject::connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
}

QWidget *makeSwitchRow(QWidget *parent, QWidget *check, QPushButton *button)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(check);
    layout->addStretch();
    layout->addWidget(button);
    return row;
}
