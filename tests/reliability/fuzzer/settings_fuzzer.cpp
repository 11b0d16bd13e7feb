#include "persistence/center_code_file.h"
#include "persistence/parameter_files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

int takeInt(const uint8_t *&data, size_t &size)
{
    int value = 0;
    const size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

} // namespace

// Any bytes as a settings file must read without fault; the same bytes taken as stored
// values must come back unchanged through the written form.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<int> fields = parseIntegerFields(bytes);
    check(fields.size() <= qsizetype(size));
    if (const std::optional<QPoint> code = parseCenterCode(bytes))
        check(parseCenterCode(formatCenterCode(*code)) == code);

    StoredParameters p;
    for (StoredCircle &c : p.circles) {
        c.radius = takeInt(data, size);
        c.thickness = takeInt(data, size);
        c.red = takeInt(data, size);
        c.enabled = takeInt(data, size) & 1;
    }
    p.reticleAngleTenths = takeInt(data, size);
    p.reticleStyle = takeInt(data, size);
    p.offsetX = takeInt(data, size);
    p.offsetY = takeInt(data, size);
    const QList<int> back = parseIntegerFields(formatConfig4k(p));
    check(back.size() == kConfig4kFullFields);
    check(back[0] == p.circles[0].radius && back[8] == p.reticleAngleTenths && back[21] == p.reticleStyle
          && back[26] == p.offsetX && back[27] == p.offsetY && back[22] == int(p.circles[0].enabled));
    check(parseIntegerFields(formatConfig1k(p)).size() == 16);
    return 0;
}
