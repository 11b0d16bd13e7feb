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

// Ids as a UVC driver numbers them; auto modes and their manual partners in the driver's order.
enum : quint32 {
    brightnessId = 1,
    backlightId = 2,
    powerLineId = 3,
    lensId = 4,
    triggerId = 5,
    firmwareId = 6,
    autoExposureId = 10,
    exposureId = 11,
    focusId = 20,
    autoFocusId = 21,
};
constexpr int exposureManual = 1;
constexpr int exposureAperturePriority = 3;
constexpr int brightnessProperty = 10;
constexpr int autoExposureProperty = 21;

CameraControl makeControl(quint32 id, CameraControlType type, int minimum, int maximum, int step,
                          int defaultValue, int value)
{
    CameraControl c;
    c.id = id;
    c.name = QStringLiteral("Control %1").arg(id);
    c.type = type;
    c.minimum = minimum;
    c.maximum = maximum;
    c.step = step;
    c.defaultValue = defaultValue;
    c.value = value;
    return c;
}

// Manual exposure and focus are inactive while their auto mode is on, as UVC drivers report.
void followAutoModes(FakeControlSource &source)
{
    source.control(exposureId).inactive = source.control(autoExposureId).value != exposureManual;
    source.control(focusId).inactive = source.control(autoFocusId).value != 0;
}

struct Harness {
    FakeControlSource *source = nullptr;
    QList<QPair<int, double>> captureWrites;
    QStringList log;
    std::unique_ptr<CameraSettingsDialog> dialog;

    explicit Harness(std::vector<CameraControl> controls)
    {
        auto owned = std::make_unique<FakeControlSource>();
        source = owned.get();
        source->controls = std::move(controls);
        source->captureProperties.insert(brightnessId, brightnessProperty);
        source->captureProperties.insert(autoExposureId, autoExposureProperty);
        source->afterWrite = [](FakeControlSource &s) {
            if (std::any_of(s.controls.begin(), s.controls.end(), [](const CameraControl &c) { return c.id == autoExposureId; }))
                followAutoModes(s);
        };
        // The capture object reaches the same driver, so an accepted property lands in the fake.
        auto writeProperty = [this](int property, double value, const QString &) {
            captureWrites.append({property, value});
            source->store(source->captureProperties.key(property), int(value));
            return true;
        };
        dialog = std::make_unique<CameraSettingsDialog>(std::move(owned), writeProperty,
                                                         [this](const QString &line) { log.append(line); });
        dialog->show();
    }

    template <typename T>
    T *editor(quint32 id) const
    {
        QWidget *field = dialog->controlField(id);
        if (!field)
            return nullptr;
        if (auto *self = qobject_cast<T *>(field))
            return self;
        return field->findChild<T *>();
    }

    QPushButton *button(const QString &text) const
    {
        for (auto *b : dialog->findChildren<QPushButton *>()) {
            if (b->text() == text)
                return b;
        }
        return nullptr;
    }
};

std::vector<CameraControl> cameraControls()
{
    auto powerLine = makeControl(powerLineId, CameraControlType::Menu, 0, 2, 1, 1, 2);
    powerLine.menuItems = {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}};
    auto lens = makeControl(lensId, CameraControlType::IntegerMenu, 0, 1, 1, 0, 1);
    lens.menuItems = {{0, "35"}, {1, "50"}};
    auto autoExposure = makeControl(autoExposureId, CameraControlType::Menu, 0, 3, 1, exposureManual,
                                    exposureAperturePriority);
    autoExposure.menuItems = {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}};
    auto exposure = makeControl(exposureId, CameraControlType::Integer, 3, 2047, 1, 156, 500);
    exposure.inactive = true;
    auto firmware = makeControl(firmwareId, CameraControlType::Integer, 0, 99, 1, 0, 7);
    firmware.readOnly = true;
    auto focus = makeControl(focusId, CameraControlType::Integer, 0, 1000, 5, 0, 900);
    focus.inactive = true;
    return {makeControl(brightnessId, CameraControlType::Integer, -64, 64, 1, 0, 10),
            makeControl(backlightId, CameraControlType::Boolean, 0, 1, 1, 0, 1),
            powerLine,
            lens,
            makeControl(triggerId, CameraControlType::Button, 0, 0, 1, 0, 0),
            firmware,
            autoExposure,
            exposure,
            focus,
            makeControl(autoFocusId, CameraControlType::Boolean, 0, 1, 1, 0, 1)};
}

} // namespace

class CameraSettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void everyKindGetsItsWidgetWithTheDriversRangeAndFlags()
    {
        Harness h(cameraControls());
        QCOMPARE(h.dialog->windowTitle(), QStringLiteral("Camera Settings"));
        QVERIFY(!h.dialog->isModal());

        auto *brightness = h.editor<QSlider>(brightnessId);
        auto *brightnessSpin = h.editor<QSpinBox>(brightnessId);
        QCOMPARE(brightness->minimum(), -64);
        QCOMPARE(brightness->maximum(), 64);
        QCOMPARE(brightness->value(), 10);
        QCOMPARE(brightnessSpin->value(), 10);
        QCOMPARE(h.editor<QSpinBox>(focusId)->singleStep(), 5);
        QVERIFY(h.editor<QCheckBox>(backlightId)->isChecked());

        auto *powerLine = h.editor<QComboBox>(powerLineId);
        QCOMPARE(powerLine->count(), 3);
        QCOMPARE(powerLine->currentText(), QStringLiteral("60 Hz"));
        QCOMPARE(h.editor<QComboBox>(lensId)->currentText(), QStringLiteral("50"));
        // Menus with holes: the item's data is the driver's index, not the row.
        QCOMPARE(h.editor<QComboBox>(autoExposureId)->currentText(), QStringLiteral("Aperture Priority Mode"));
        QCOMPARE(h.editor<QPushButton>(triggerId)->text(), QStringLiteral("Control 5"));

        QVERIFY(!h.dialog->controlField(exposureId)->isEnabled());
        QVERIFY(!h.dialog->controlField(firmwareId)->isEnabled());
        QVERIFY(!h.dialog->controlField(focusId)->isEnabled());
        QVERIFY(h.dialog->controlField(brightnessId)->isEnabled());
        QVERIFY(h.source->writes.empty() && h.captureWrites.isEmpty());
    }

    void eachChangeIsOneWriteByItsRoute()
    {
        Harness h(cameraControls());
        h.editor<QSlider>(brightnessId)->setValue(40);
        QCOMPARE(h.captureWrites, (QList<QPair<int, double>>{{brightnessProperty, 40.0}}));
        QCOMPARE(h.editor<QSpinBox>(brightnessId)->value(), 40);

        // A committed number moves the slider, which alone writes.
        h.editor<QSpinBox>(brightnessId)->setValue(-3);
        QCOMPARE(h.captureWrites.size(), 2);
        QCOMPARE(h.captureWrites.last().second, -3.0);

        h.editor<QCheckBox>(backlightId)->setChecked(false);
        h.editor<QComboBox>(powerLineId)->setCurrentIndex(1);
        h.editor<QPushButton>(triggerId)->click();
        using Write = std::pair<quint32, int>;
        QCOMPARE(h.source->writes, (std::vector<Write>{{backlightId, 0}, {powerLineId, 1}, {triggerId, 1}}));
        QCOMPARE(h.captureWrites.size(), 2);

        // Off the step grid: the nearest step is written and shown.
        h.source->control(autoFocusId).value = 0;
        h.source->control(focusId).inactive = false;
        h.dialog->refreshControls();
        h.editor<QSlider>(focusId)->setValue(503);
        QCOMPARE(h.source->writes.back(), Write(focusId, 505));
        QCOMPARE(h.editor<QSpinBox>(focusId)->value(), 505);
    }

    void driverStateIsReadBackAfterEveryWrite()
    {
        Harness h(cameraControls());
        QVERIFY(!h.dialog->controlField(exposureId)->isEnabled());
        h.editor<QComboBox>(autoExposureId)->setCurrentIndex(0);
        QCOMPARE(h.captureWrites, (QList<QPair<int, double>>{{autoExposureProperty, double(exposureManual)}}));
        QVERIFY(h.dialog->controlField(exposureId)->isEnabled());

        h.editor<QComboBox>(autoExposureId)->setCurrentIndex(1);
        QVERIFY(!h.dialog->controlField(exposureId)->isEnabled());

        // A refused value does not stay on screen as if the camera had taken it.
        h.source->refused.insert(powerLineId);
        h.editor<QComboBox>(powerLineId)->setCurrentIndex(0);
        QCOMPARE(h.editor<QComboBox>(powerLineId)->currentText(), QStringLiteral("60 Hz"));
        QCOMPARE(h.log, QStringList{QStringLiteral("Driver rejected Control 3=0")});

        // A write may make the driver list another control; the rows are rebuilt safely.
        h.source->afterWrite = [](FakeControlSource &s) {
            s.controls.push_back(makeControl(99, CameraControlType::Boolean, 0, 1, 1, 0, 0));
        };
        h.editor<QCheckBox>(backlightId)->setChecked(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(h.editor<QCheckBox>(99));
        QVERIFY(!h.editor<QCheckBox>(backlightId)->isChecked());
    }

    void resetWritesDefaultsOnceIncludingThoseAnAutoModeFreed()
    {
        Harness h(cameraControls());
        h.button(QStringLiteral("Reset to defaults"))->click();

        using Write = std::pair<quint32, int>;
        // Focus is freed only by resetting auto focus, which comes after it; firmware is read-only,
        // the button and controls already at their default are left alone.
        QCOMPARE(h.source->writes, (std::vector<Write>{{backlightId, 0}, {powerLineId, 1}, {lensId, 0},
                                                      {exposureId, 156}, {autoFocusId, 0}, {focusId, 0}}));
        QCOMPARE(h.captureWrites, (QList<QPair<int, double>>{{brightnessProperty, 0.0},
                                                             {autoExposureProperty, double(exposureManual)}}));
        for (const CameraControl &c : h.source->controls) {
            if (!c.readOnly)
                QCOMPARE(c.value, c.defaultValue);
        }
        QCOMPARE(h.editor<QSlider>(exposureId)->value(), 156);

        // A default the driver refuses is tried once and logged once.
        h.source->control(powerLineId).value = 2;
        h.source->refused.insert(powerLineId);
        h.dialog->refreshControls();
        h.button(QStringLiteral("Reset to defaults"))->click();
        QCOMPARE(h.log, QStringList{QStringLiteral("Driver rejected Control 3=1")});
    }

    void deviceWithoutControlsSaysSo()
    {
        Harness h({});
        QVERIFY(!h.button(QStringLiteral("Reset to defaults"))->isEnabled());
        bool found = false;
        for (auto *label : h.dialog->findChildren<QLabel *>())
            found = found || label->text() == QStringLiteral("This camera reports no settings.");
        QVERIFY(found);
        h.button(QStringLiteral("Close"))->click();
        QVERIFY(!h.dialog->isVisible());
    }
};

QTEST_MAIN(CameraSettingsDialogTest)
#include "camera_settings_dialog_test.moc"
