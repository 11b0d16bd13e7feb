#include "tests/support/fake_control_source.h"

#include <algorithm>
#include <stdexcept>

bool FakeControlSource::writeControl(quint32 id, int value)
{
    writes.emplace_back(id, value);
    if (refused.count(id) != 0)
        return false;
    store(id, value);
    return true;
}

CameraControl &FakeControlSource::control(quint32 id)
{
    const auto it = std::find_if(controls.begin(), controls.end(), [id](const CameraControl &c) { return c.id == id; });
    if (it == controls.end())
        throw std::out_of_range("no such fake control");
    return *it;
}

void FakeControlSource::store(quint32 id, int value)
{
    control(id).value = value;
    if (afterWrite)
        afterWrite(*this);
}

CameraControl fakeControl(quint32 id, CameraControlType type, int minimum, int maximum, int value)
{
    CameraControl control;
    control.id = id;
    control.name = QStringLiteral("Control %1").arg(id);
    control.type = type;
    control.minimum = minimum;
    control.maximum = maximum;
    control.value = value;
    return control;
}
