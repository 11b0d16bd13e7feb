#pragma once

#include <QString>

class QDoubleSpinBox;
class QPushButton;
class QFormLayout;
class QSlider;
class QSpinBox;
class QWidget;

// Builders shared by every group of the control panel.
QSlider *createSlider(QWidget *parent, int min, int max, int value);
QSpinBox *createSpinBox(QWidget *parent, int min, int max, int value);
QWidget *makePairRow(QWidget *first, QWidget *second);
void addFormRow(QFormLayout *form, QWidget *labelParent, const QString &text, QWidget *field);
// The form layout every group uses: centred labels, spacing 10 across and 6 down.
QFormLayout *createGroupForm(QWidget *group);
// A one-decimal editor styled and behaving like the panel's integer editors.
QDoubleSpinBox *createDoubleSpinBox(QWidget *parent, double min, double max);
// Keeps a slider and its editor showing the same value; Qt emits only real changes, so the
// crosswise connections settle after one exchange.
void linkSliderAndSpin(QSlider *slider, QSpinBox *spin);
// The spanning first row of the reticle and circle groups: the switch, a gap, the colour button.
QWidget *makeSwitchRow(QWidget *parent, QWidget *check, QPushButton *button);
