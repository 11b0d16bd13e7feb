#include "decode/restart_cut.h"

#include <algorithm>
#include <cstring>

namespace {

struct ScanLayout {
    std::size_t heightAt = 0;   // offset of the frame header's 16-bit height
    std::size_t scanStart = 0;  // first byte of entropy-coded data
    int width = 0;
    int height = 0;
    int mcuWidth = 8;
    int mcuHeight = 8;
    int restartInterval = 0;    // MCUs per restart; 0 without markers
};

int bigEndian16(const uint8_t *p)
{
    return (p[0] << 8) | p[1];
}

bool isRestart(uint8_t marker)
{
    return marker >= 0xD0 && marker <= 0xD7;
}

// Reads the headers up to the scan. Only a baseline or extended sequential Huffman frame in a
// single interleaved scan can be entered mid-way this simply.
bool readLayout(const uint8_t *data, std::size_t size, ScanLayout &layout)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    int components = 0;
    std::size_t pos = 2;
    for (;;) {
        if (pos >= size || data[pos] != 0xFF)
            return false;
        while (pos < size && data[pos] == 0xFF)
            ++pos;
        if (pos + 3 > size)
            return false;
        const uint8_t marker = data[pos++];
        if (isRestart(marker) || marker == 0xD8 || marker == 0xD9 || marker == 0x01)
            return false;
        const int length = bigEndian16(data + pos);
        if (length < 2 || pos + std::size_t(length) > size)
            return false;
        const uint8_t *segment = data + pos + 2;
        const int segmentLength = length - 2;
        switch (marker) {
        case 0xC0:
        case 0xC1: {
            if (segmentLength < 6 || segment[0] != 8)
                return false;
            components = segment[5];
            if (components < 1 || segmentLength < 6 + 3 * components)
                return false;
            layout.heightAt = pos + 3;
            layout.height = bigEndian16(segment + 1);
            layout.width = bigEndian16(segment + 3);
            int horizontal = 1, vertical = 1;
            for (int i = 0; i < components; ++i) {
                horizontal = std::max(horizontal, segment[7 + 3 * i] >> 4);
                vertical = std::max(vertical, segment[7 + 3 * i] & 15);
            }
            // A lone component's scan is not interleaved: its MCU is one block.
            layout.mcuWidth = components == 1 ? 8 : 8 * horizontal;
            layout.mcuHeight = components == 1 ? 8 : 8 * vertical;
            break;
        }
        case 0xC2: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
        case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
            return false;
        case 0xDD:
            if (segmentLength != 2)
                return false;
            layout.restartInterval = bigEndian16(segment);
            break;
        case 0xDA:
            if (segmentLength < 1 || components == 0 || segment[0] != components)
                return false;
            layout.scanStart = pos + std::size_t(length);
            return layout.width > 0 && layout.height > 0 && layout.restartInterval > 0;
        default:
            break;
        }
        pos += std::size_t(length);
    }
}

// A marker in the entropy-coded data: where its 0xFF fill starts, its code and the byte after.
struct Marker {
    std::size_t at = 0;
    uint8_t code = 0;
    std::size_t after = 0;
};

// The next marker at or after `pos`, before `size`; stuffed zeros are data, not markers.
// Its `at` is `size` when there is none.
Marker nextMarker(const uint8_t *data, std::size_t size, std::size_t pos)
{
    while (pos < size) {
        const void *found = std::memchr(data + pos, 0xFF, size - pos);
        if (!found)
            break;
        const std::size_t at = std::size_t(static_cast<const uint8_t *>(found) - data);
        std::size_t code = at + 1;
        while (code < size && data[code] == 0xFF)
            ++code;
        if (code >= size)
            break;
        if (data[code] != 0x00)
            return Marker{at, data[code], code + 1};
        pos = code + 1;
    }
    return Marker{size, 0, size};
}

} // namespace

bool cutRowsAtRestart(const uint8_t *data, std::size_t size, int top, int bottom, RestartCut &cut)
{
    ScanLayout layout;
    if (!data || !readLayout(data, size, layout))
        return false;
    top = std::max(top, 0);
    bottom = std::min(bottom, layout.height);
    if (top >= bottom)
        return false;
    const long long mcusPerRow = (layout.width + layout.mcuWidth - 1) / layout.mcuWidth;
    const int mcuRows = (layout.height + layout.mcuHeight - 1) / layout.mcuHeight;
    const int endRow = std::min(mcuRows, (bottom + layout.mcuHeight - 1) / layout.mcuHeight + 1);
    int firstRow = std::max(0, top / layout.mcuHeight - 1);
    while (firstRow > 0 && firstRow * mcusPerRow % layout.restartInterval != 0)
        --firstRow;
    if (firstRow == 0)
        return false;

    // The restarts the cut runs between: its first begins its first row, and the one after its
    // last holds no MCU the cut needs.
    const long long firstRestart = firstRow * mcusPerRow / layout.restartInterval;
    const long long endRestart = (endRow * mcusPerRow - 1) / layout.restartInterval + 1;
    std::size_t begin = 0;
    std::size_t end = size;
    long long seen = 0;
    for (Marker m = nextMarker(data, size, layout.scanStart); m.at < size; m = nextMarker(data, size, m.after)) {
        if (!isRestart(m.code)) {
            end = m.at;
            break;
        }
        if (m.code - 0xD0 != seen % 8)
            return false;
        ++seen;
        if (seen == firstRestart)
            begin = m.after;
        if (seen == endRestart) {
            end = m.at;
            break;
        }
    }
    if (begin == 0)
        return false;

    cut.bytes.assign(data, data + layout.scanStart);
    const int height = std::min(layout.height, endRow * layout.mcuHeight) - firstRow * layout.mcuHeight;
    cut.bytes[layout.heightAt] = uint8_t(height >> 8);
    cut.bytes[layout.heightAt + 1] = uint8_t(height & 0xFF);
    // The decoder insists that markers count 0, 1, … 7, 0 from the start of the scan.
    long long number = 0;
    std::size_t from = begin;
    for (Marker m = nextMarker(data, end, begin); m.at < end; m = nextMarker(data, end, from)) {
        cut.bytes.insert(cut.bytes.end(), data + from, data + m.after - 1);
        cut.bytes.push_back(uint8_t(0xD0 + number++ % 8));
        from = m.after;
    }
    cut.bytes.insert(cut.bytes.end(), data + from, data + end);
    cut.bytes.push_back(0xFF);
    cut.bytes.push_back(0xD9);
    cut.firstRow = firstRow * layout.mcuHeight;
    cut.frameHeight = layout.height;
    return true;
}
