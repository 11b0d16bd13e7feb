#include "tests/support/fake_control_source.h"

#include <stdexcept>

std::vector<CameraControl> FakeControlSource::listControls()
{
    ++listCalls;
    return controls;
}

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
    const auto property = captureProperties.find(id);
    if (property == captureProperties.end())
        return std::nullopt;
    return *property;
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
