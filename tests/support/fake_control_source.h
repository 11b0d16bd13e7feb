#pragma once

#include "camera/camera_control.h"

#include <QMap>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

// Driver controls the test scripts. An accepted write stores the value, then `afterWrite` may
// change other controls as a driver's auto mode would.
class FakeControlSource final : public CameraControlSource {
public:
    std::vector<CameraControl> controls;
    QMap<quint32, int> captureProperties;
    std::set<quint32> refused;
    std::function<void(FakeControlSource &)> afterWrite;
    // Every write that reached this source, accepted or not.
    std::vector<std::pair<quint32, int>> writes;

    std::vector<CameraControl> listControls() override { return controls; }
    bool writeControl(quint32 id, int value) override
    {
        writes.emplace_back(id, value);
        if (refused.count(id) != 0)
            return false;
        store(id, value);
        return true;
    }
    std::optional<int> captureProperty(quint32 id) const override
    {
        return captureProperties.contains(id) ? std::optional(captureProperties.value(id)) : std::nullopt;
    }

    CameraControl &control(quint32 id)
    {
        const auto it = std::find_if(controls.begin(), controls.end(), [id](const CameraControl &c) { return c.id == id; });
        if (it == controls.end())
            throw std::out_of_range("no such fake control");
        return *it;
    }
    // Keeps a value the driver accepted, also one that reached it through a capture property.
    void store(quint32 id, int value)
    {
        control(id).value = value;
        if (afterWrite)
            afterWrite(*this);
    }
};

// A control named "Control <id>" with step 1 and default 0.
inline CameraControl fakeControl(quint32 id, CameraControlType type, int minimum, int maximum, int value)
{
    return CameraControl{id, QStringLiteral("Control %1").arg(id), type, minimum, maximum, 1, 0, value, false, false, false, {}};
}

// The panel's six controls, each reached by the capture property of its own id; the auto
// exposure mode 3 is aperture priority, as a UVC camera powers up, and 1 is manual.
inline std::unique_ptr<FakeControlSource> panelControls(int brightness, int focus, int gain, int exposure, int autoFocus, int autoExposure)
{
    auto fake = std::make_unique<FakeControlSource>();
    using T = CameraControlType;
    fake->controls = {fakeControl(10, T::Integer, 1, 64, brightness), fakeControl(28, T::Integer, 0, 1023, focus),
                      fakeControl(14, T::Integer, 0, 15, gain), fakeControl(15, T::Integer, -13, -1, exposure),
                      fakeControl(39, T::Boolean, 0, 1, autoFocus), fakeControl(21, T::Menu, 0, 3, autoExposure)};
    for (const CameraControl &c : fake->controls)
        fake->captureProperties.insert(c.id, int(c.id));
    return fake;
}
