#pragma once

#include "camera/camera_control.h"

#include <map>
#include <memory>

struct DemoCameraState;

// The driver controls of the synthetic camera: the panel's four properties and two auto modes,
// as the camera holds them, plus two controls only the settings dialog reaches.
class DemoControlSource final : public CameraControlSource {
public:
    explicit DemoControlSource(std::shared_ptr<DemoCameraState> state);

    std::vector<CameraControl> listControls() override;
    bool writeControl(quint32 id, int value) override;
    std::optional<int> captureProperty(quint32 id) const override;

private:
    int currentValue(const CameraControl &control) const;

    std::shared_ptr<DemoCameraState> state;
    std::vector<CameraControl> controls;
    // Values of the controls without a capture property; nothing else keeps them.
    std::map<quint32, int> ownValues;
};
