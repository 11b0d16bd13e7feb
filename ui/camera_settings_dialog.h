#pragma once

#include "camera/camera_control.h"
#include "camera/control_write_path.h"
#include "ui/camera_control_editor.h"

#include <QDialog>

#include <map>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;

// Every control a camera driver reports, editable in place. After each write the controls are
// read again, so flags that follow an auto mode (manual exposure greyed while auto exposure is on)
// and values the driver adjusted show at once. Non-modal: show() it.
class CameraSettingsDialog final : public QDialog {
    Q_OBJECT

public:
    // `writeProperty` is the capture object's locked property write, used for the controls the
    // capture backend has a property for; `log` receives refusals of the other controls.
    CameraSettingsDialog(std::unique_ptr<CameraControlSource> source, CapturePropertyWriter writeProperty,
                         LogWriter log, QWidget *parent = nullptr);
    ~CameraSettingsDialog() override;

    // The editing widget of a listed control; null when the driver does not list it.
    QWidget *controlField(quint32 id) const;

public slots:
    // Reads the controls again and shows their values and flags.
    void refreshControls();
    // Writes each editable control's default where its value differs from it.
    void resetToDefaults();

private:
    struct Row {
        QLabel *label = nullptr;
        CameraControlEditor editor;
    };

    void rebuildRows();
    void showControls();
    bool sameControlsAsShown(const std::vector<CameraControl> &fresh) const;
    const CameraControl *findControl(quint32 id) const;
    void writeControl(quint32 id, int value);

    std::unique_ptr<CameraControlSource> source;
    ControlWritePath writePath;
    std::vector<CameraControl> controls;
    std::map<quint32, Row> rows;
    QScrollArea *scrollArea = nullptr;
    QPushButton *resetButton = nullptr;
    QPushButton *closeButton = nullptr;
};
