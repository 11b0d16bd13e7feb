#include "tests/support/fake_control_source.h"

#include <stdexcept>

bool FakeControlSource::writeControl(quint32 id, int value)
{
    writes.emplace_back(id, value);
    if (refused.count(id) != 0)
        return false;
    store(id, value);
    return true;
}

std::optional<int> FakeControlSource::captureProperty(quint32 id) const
{
    if (!captureProperties.contains(id))
        return std::nullopt;
    return captureProperties.value(id);
}

CameraControl &FakeControlSource::control(quint32 id)
{
    for (CameraControl &control : controls) {
        if (control.id == id)
            return control;
    }
    throw std::out_of_range("no such fake control");
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
