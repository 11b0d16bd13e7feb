#pragma once

#include "camera/camera_control.h"

#include <QMap>

#include <functional>
#include <set>
#include <utility>
#include <vector>

// Driver controls the test scripts. An accepted write stores the value, then `afterWrite` may
// change other controls' flags as a driver's auto mode would.
class FakeControlSource final : public CameraControlSource {
public:
    std::vector<CameraControl> controls;
    QMap<quint32, int> captureProperties;
    std::set<quint32> refused;
    std::function<void(FakeControlSource &)> afterWrite;
    // Every write that reached this source, accepted or not.
    std::vector<std::pair<quint32, int>> writes;
    int listCalls = 0;

    std::vector<CameraControl> listControls() override;
    bool writeControl(quint32 id, int value) override;
    std::optional<int> captureProperty(quint32 id) const override;

    CameraControl &control(quint32 id);
    // Stores a value as the driver would after a write it accepted, e.g. one made via a capture property.
    void store(quint32 id, int value);
};
