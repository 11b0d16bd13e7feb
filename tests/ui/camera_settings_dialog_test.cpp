#include "tests/support/fake_control_source.h"
#include "ui/camera_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace {

using Write = std::pair<quint32, int>;
using CaptureWrite = QPair<int, double>;

// Auto modes come before or after their manual partner, as in a UVC driver's id order.
enum : quint32 { brightness = 1, backlight, powerLine, lens, trigger, firmware, autoExposure = 10, exposure, focus = 20, autoFocus };
constexpr int brightnessProperty = 10, autoExposureProperty = 21;

// Brightness reaches below zero, focus moves in steps of 5 and the firmware number is
// read-only, as on a typical UVC camera.
CameraControl control(quint32 id, CameraControlType type, int maximum, int value, int defaultValue = 0,
                      std::vector<CameraMenuItem> items = {})
{
    CameraControl c = fakeControl(id, type, id == brightness ? -64 : 0, maximum, value);
    c.defaultValue = defaultValue;
    c.menuItems = std::move(items);
    c.step = id == focus ? 5 : 1;
    c.readOnly = id == firmware;
    return c;
}

struct Harness {
    FakeControlSource *source = nullptr;
    QList<CaptureWrite> captureWrites;
    QStringList log;
    std::unique_ptr<CameraSettingsDialog> dialog;

    explicit Harness(bool withControls = true)
    {
        auto owned = std::make_unique<FakeControlSource>();
        source = owned.get();
        if (withControls) {
            using T = CameraControlType;
            source->controls = {control(brightness, T::Integer, 64, 10), control(backlight, T::Boolean, 1, 1),
                                control(powerLine, T::Menu, 2, 2, 1, {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}),
                                control(lens, T::IntegerMenu, 1, 1, 0, {{0, "35"}, {1, "50"}}),
                                control(trigger, T::Button, 0, 0), control(firmware, T::Integer, 99, 7),
                                control(autoExposure, T::Menu, 3, 3, 1, {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}),
                                control(exposure, T::Integer, 2047, 500, 156), control(focus, T::Integer, 1000, 900),
                                control(autoFocus, T::Boolean, 1, 1)};
            source->captureProperties = {{brightness, brightnessProperty}, {autoExposure, autoExposureProperty}};
            // Manual exposure and focus are inactive while their auto mode is on.
            source->afterWrite = [](FakeControlSource &s) {
                s.control(exposure).inactive = s.control(autoExposure).value != 1;
                s.control(focus).inactive = s.control(autoFocus).value != 0;
            };
            source->afterWrite(*source);
        }
        auto writeProperty = [this](int property, double value, const QString &) {
            captureWrites.append({property, value});
            source->store(source->captureProperties.key(property), int(value));
            return true;
        };
        dialog = std::make_unique<CameraSettingsDialog>(std::move(owned), writeProperty,
                                                         [this](const QString &line) { log.append(line); });
        dialog->show();
    }

    template <typename T> T *editor(quint32 id) const
    {
        QWidget *field = dialog->controlField(id);
        auto *self = qobject_cast<T *>(field);
        return self ? self : field->findChild<T *>();
    }

    QPushButton *resetButton() const
    {
        for (auto *b : dialog->findChildren<QPushButton *>()) {
            if (b->text() == QStringLiteral("Reset to defaults"))
                return b;
        }
        return nullptr;
    }
};

} // namespace

class CameraSettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void eachKindGetsItsWidgetAndEachChangeIsOneWriteByItsRoute()
    {
        Harness h;
        auto *slider = h.editor<QSlider>(brightness);
        QCOMPARE(std::make_tuple(slider->minimum(), slider->maximum(), slider->value()), std::make_tuple(-64, 64, 10));
        QVERIFY(h.editor<QSpinBox>(focus)->singleStep() == 5 && h.editor<QCheckBox>(backlight)->isChecked());
        QCOMPARE(h.editor<QComboBox>(powerLine)->currentText() + h.editor<QComboBox>(lens)->currentText(), QStringLiteral("60 Hz50"));
        // A menu with holes: the shown item is found by the driver's index, not by its row.
        QCOMPARE(h.editor<QComboBox>(autoExposure)->currentText() + h.editor<QPushButton>(trigger)->text(),
                 QStringLiteral("Aperture Priority ModeControl 5"));
        for (quint32 greyed : {exposure, firmware, focus})
            QVERIFY(!h.dialog->controlField(greyed)->isEnabled());
        QVERIFY(h.source->writes.empty() && h.captureWrites.isEmpty());   // building writes nothing

        h.editor<QSlider>(brightness)->setValue(40);
        h.editor<QSpinBox>(brightness)->setValue(-3);   // a committed number moves the slider, which alone writes
        QCOMPARE(h.captureWrites, (QList<CaptureWrite>{{brightnessProperty, 40.0}, {brightnessProperty, -3.0}}));
        h.editor<QCheckBox>(backlight)->setChecked(false);
        h.editor<QComboBox>(powerLine)->setCurrentIndex(1);
        h.editor<QPushButton>(trigger)->click();
        h.editor<QCheckBox>(autoFocus)->setChecked(false);
        h.editor<QSlider>(focus)->setValue(503);   // off the step grid: the nearest step is written and shown
        QCOMPARE(h.source->writes, (std::vector<Write>{{backlight, 0}, {powerLine, 1}, {trigger, 1}, {autoFocus, 0}, {focus, 505}}));
        QVERIFY(h.editor<QSpinBox>(focus)->value() == 505 && h.captureWrites.size() == 2);
    }

    void driverStateIsReadBackAfterEveryWrite()
    {
        Harness h;
        h.editor<QComboBox>(autoExposure)->setCurrentIndex(0);
        QCOMPARE(h.captureWrites, (QList<CaptureWrite>{{autoExposureProperty, 1.0}}));
        QVERIFY(h.dialog->controlField(exposure)->isEnabled());
        // A refused value does not stay on screen as if the camera had taken it.
        h.source->refused.insert(powerLine);
        h.editor<QComboBox>(powerLine)->setCurrentIndex(0);
        QCOMPARE(h.editor<QComboBox>(powerLine)->currentText(), QStringLiteral("60 Hz"));
        QCOMPARE(h.log, QStringList{QStringLiteral("Driver rejected Control 3=0")});
        // A write may make the driver list another control: the rows, sender included, are rebuilt.
        h.source->afterWrite = [](FakeControlSource &s) { s.controls.push_back(fakeControl(99, CameraControlType::Boolean, 0, 1, 0)); };
        h.editor<QCheckBox>(backlight)->setChecked(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(h.dialog->controlField(99) && !h.editor<QCheckBox>(backlight)->isChecked());
    }

    void resetWritesDefaultsOnceIncludingThoseAnAutoModeFreed()
    {
        Harness h;
        h.resetButton()->click();
        // Focus becomes editable only once auto focus, listed after it, is reset; read-only
        // controls, buttons and values already at their default are left alone.
        QCOMPARE(h.source->writes, (std::vector<Write>{{backlight, 0}, {powerLine, 1}, {lens, 0}, {exposure, 156}, {autoFocus, 0}, {focus, 0}}));
        QCOMPARE(h.captureWrites, (QList<CaptureWrite>{{brightnessProperty, 0.0}, {autoExposureProperty, 1.0}}));
        QCOMPARE(h.editor<QSlider>(exposure)->value(), 156);
        // A default the driver refuses is tried once and logged once.
        h.source->control(powerLine).value = 2;
        h.source->refused.insert(powerLine);
        h.dialog->refreshControls();
        h.resetButton()->click();
        QCOMPARE(h.log, QStringList{QStringLiteral("Driver rejected Control 3=1")});

        Harness empty(false);
        QVERIFY(!empty.resetButton()->isEnabled());
        QCOMPARE(empty.dialog->findChild<QLabel *>()->text(), QStringLiteral("This camera reports no settings."));
    }
};

QTEST_MAIN(CameraSettingsDialogTest)
#include "camera_settings_dialog_test.moc"
