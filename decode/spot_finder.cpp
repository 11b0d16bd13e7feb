#include "decode/spot_finder.h"

#include "decode/luma.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Below this much above the background nothing counts as a target, however quiet the picture:
// JPEG's own ripples and a sensor's grain stay far under it.
constexpr float minimumContrast = 20.0f;
// Cells this many noise deviations above the background are target; noise never gets there.
constexpr float noiseDeviations = 6.0f;
// A runner-up at least this strong, relative to the brightest, makes the choice a guess.
constexpr double ambiguousRatio = 0.5;

// The region binned into square cells of `cell` pixels, each holding its mean luma; cells
// whose centre lies outside the disc hold NaN.
struct CellGrid {
    int cell = 1;
    cv::Point origin;   // picture pixel where cell (0, 0) starts
    int columns = 0;
    int rows = 0;
    std::vector<float> values;

    float at(int x, int y) const { return values[std::size_t(y) * std::size_t(columns) + std::size_t(x)]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < columns && y < rows && !std::isnan(at(x, y)); }
    // The picture pixel at the middle of a cell position (fractional cells allowed).
    cv::Point2d pixelOf(double x, double y) const
    {
        return cv::Point2d(origin.x + x * cell + (cell - 1) * 0.5, origin.y + y * cell + (cell - 1) * 0.5);
    }
};

CellGrid binDisc(const cv::Mat &image, cv::Size visible, const MeterDisc &disc)
{
    CellGrid grid;
    // Fine enough that a spot a few pixels wide still fills most of a cell, coarse enough that
    // a cell's noise is well below the minimum contrast.
    grid.cell = std::clamp(int(std::ceil(2.0 * disc.radius / 160.0)), 1, 4);
    const int left = std::max(0, int(std::floor(disc.centre.x - disc.radius)));
    const int top = std::max(0, int(std::floor(disc.centre.y - disc.radius)));
    const int right = std::min(visible.width, int(std::ceil(disc.centre.x + disc.radius)) + 1);
    const int bottom = std::min(visible.height, int(std::ceil(disc.centre.y + disc.radius)) + 1);
    grid.origin = cv::Point(left, top);
    grid.columns = std::max(0, (right - left) / grid.cell);
    grid.rows = std::max(0, (bottom - top) / grid.cell);
    grid.values.assign(std::size_t(grid.columns) * std::size_t(grid.rows), 0.0f);
    std::vector<int> sums(std::size_t(grid.columns));

    // Cells of four pixels or more are sampled at every other row and column: their mean
    // needs no more, and reading every pixel of the central disc would cost more than all the
    // rest of the finder. A target too small to be sampled is too faint in a cell's mean anyway.
    const int stride = grid.cell >= 4 ? 2 : 1;
    const int samples = (grid.cell + stride - 1) / stride;
    const int channels = image.channels();
    const float scale = 1.0f / (256.0f * float(samples * samples));
    for (int cy = 0; cy < grid.rows; ++cy) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int dy = 0; dy < grid.cell; dy += stride) {
            const LumaRow row{image.ptr<uint8_t>(top + cy * grid.cell + dy), channels};
            for (int cx = 0; cx < grid.columns; ++cx) {
                const int x0 = left + cx * grid.cell;
                int sum = 0;
                for (int dx = 0; dx < grid.cell; dx += stride)
                    sum += row[x0 + dx];
                sums[std::size_t(cx)] += sum;
            }
        }
        float *cells = grid.values.data() + std::size_t(cy) * std::size_t(grid.columns);
        for (int cx = 0; cx < grid.columns; ++cx) {
            const cv::Point2d middle = grid.pixelOf(cx, cy);
            const cv::Point2d d = middle - disc.centre;
            cells[cx] = d.dot(d) <= disc.radius * disc.radius ? float(sums[std::size_t(cx)]) * scale : NAN;
        }
    }
    return grid;
}

struct Candidate {
    double strength = 0.0;   // summed luma above the background
    double sumX = 0.0;
    double sumY = 0.0;
    double extent = 0.0;     // farthest cell from the centroid, cells
    bool cut = false;        // touches the edge of the region
    std::vector<int> cells;
};

std::vector<Candidate> brightCandidates(const CellGrid &grid, float background, float threshold)
{
    std::vector<Candidate> found;
    std::vector<char> seen(grid.values.size(), 0);
    std::vector<int> stack;
    for (int start = 0; start < int(grid.values.size()); ++start) {
        if (seen[std::size_t(start)] || !(grid.values[std::size_t(start)] > threshold))
            continue;
        Candidate c;
        seen[std::size_t(start)] = 1;
        stack.push_back(start);
        while (!stack.empty()) {
            const int index = stack.back();
            stack.pop_back();
            const int x = index % grid.columns;
            const int y = index / grid.columns;
            const double w = grid.at(x, y) - background;
            c.strength += w;
            c.sumX += w * x;
            c.sumY += w * y;
            c.cells.push_back(index);
            for (int ny = y - 1; ny <= y + 1; ++ny) {
                for (int nx = x - 1; nx <= x + 1; ++nx) {
                    if (!grid.inside(nx, ny)) {
                        c.cut = true;
                        continue;
                    }
                    const int next = ny * grid.columns + nx;
                    if (!seen[std::size_t(next)] && grid.values[std::size_t(next)] > threshold) {
                        seen[std::size_t(next)] = 1;
                        stack.push_back(next);
                    }
                }
            }
        }
        found.push_back(std::move(c));
    }
    return found;
}

// The median and the median absolute deviation, as a noise deviation, of the region's cells;
// false when no cell lies in the region. A few thousand cells estimate both as well as all of
// them, at a fraction of the cost in a large region.
bool robustLevel(const CellGrid &grid, float &median, float &deviation)
{
    std::vector<float> values;
    const std::size_t step = std::max<std::size_t>(1, grid.values.size() / 16384);
    values.reserve(grid.values.size() / step + 1);
    for (std::size_t i = 0; i < grid.values.size(); i += step) {
        if (!std::isnan(grid.values[i]))
            values.push_back(grid.values[i]);
    }
    if (values.empty())
        return false;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    median = *middle;
    for (float &v : values)
        v = std::abs(v - median);
    std::nth_element(values.begin(), middle, values.end());
    deviation = 1.4826f * *middle;
    return true;
}

} // namespace

SpotReading findSpot(const cv::Mat &image, const cv::Rect &shown, int scaleDenom, const FocusRequest &request)
{
    SpotReading reading;
    if (!request.enabled || !readsAsLuma(image) || shown.width <= 0 || shown.height <= 0)
        return reading;
    const int denom = std::max(1, scaleDenom);
    // A scaled decode may hold one column or row more than `shown`; that one is not on show.
    const cv::Size visible(std::min(image.cols, shown.width / denom), std::min(image.rows, shown.height / denom));
    const CellGrid grid = binDisc(image, visible, meterDisc(shown, denom, request));
    if (grid.columns < 3 || grid.rows < 3)
        return reading;

    float background = 0.0f;
    float deviation = 0.0f;
    if (!robustLevel(grid, background, deviation))
        return reading;
    const float threshold = background + std::max(minimumContrast, noiseDeviations * deviation);
    std::vector<Candidate> candidates = brightCandidates(grid, background, threshold);
    if (candidates.empty())
        return reading;
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate &a, const Candidate &b) { return a.strength > b.strength; });
    const Candidate &best = candidates.front();
    if (best.cut || (candidates.size() > 1 && candidates[1].strength >= ambiguousRatio * best.strength))
        return reading;

    const double cx = best.sumX / best.strength;
    const double cy = best.sumY / best.strength;
    double extent = 0.0;
    for (int index : best.cells)
        extent = std::max(extent, std::hypot(index % grid.columns - cx, index / grid.columns - cy));
    // A ring's centre is dark; a spot's is its brightest part.
    const int middleX = int(std::lround(cx));
    const int middleY = int(std::lround(cy));
    const bool ring = grid.inside(middleX, middleY) && grid.at(middleX, middleY) <= threshold;

    const cv::Point2d inPicture = grid.pixelOf(cx, cy);
    reading.found = true;
    reading.kind = ring ? SpotKind::Ring : SpotKind::Spot;
    // Picture pixel j covers frame pixels shown + j * denom onwards, and the reading counts a
    // pixel's corner as whole.
    reading.centre = cv::Point2d(shown.x, shown.y) + (inPicture + cv::Point2d(0.5, 0.5)) * denom;
    reading.radius = (extent + 1.0) * grid.cell * denom;
    if (denom == 1)
        return refineSpot(image(cv::Rect(cv::Point(), visible)), shown.tl(), reading);

    // The centroid of the cells locks onto their grid; that of the picture's own pixels much
    // less. Still coarse: the picture is the frame at 1/denom.
    SpotReading inPicturePixels = reading;
    inPicturePixels.centre = (reading.centre - cv::Point2d(shown.tl())) / denom;
    inPicturePixels.radius = reading.radius / denom;
    const SpotReading better = refineSpot(image(cv::Rect(cv::Point(), visible)), cv::Point(), inPicturePixels);
    if (better.refined)
        reading.centre = cv::Point2d(shown.tl()) + better.centre * denom;
    return reading;
}

namespace {

// Half the side of the square refineSpot measures in, full-frame pixels: the whole target and
// a margin of background around it.
double refineHalfSide(const SpotReading &coarse)
{
    return coarse.radius * 1.5 + 6.0;
}

} // namespace

cv::Rect spotRefineWindow(const SpotReading &coarse, cv::Size frame)
{
    // Room for the coarse centre's error and the window's moves while it settles.
    const int half = int(std::ceil(refineHalfSide(coarse))) + 8;
    const cv::Point middle(int(std::floor(coarse.centre.x)), int(std::floor(coarse.centre.y)));
    return cv::Rect(middle.x - half, middle.y - half, 2 * half + 1, 2 * half + 1) & cv::Rect(cv::Point(), frame);
}

SpotReading refineSpot(const cv::Mat &pixels, cv::Point origin, const SpotReading &coarse)
{
    if (!coarse.found || !readsAsLuma(pixels))
        return coarse;
    const int channels = pixels.channels();
    SpotReading reading = coarse;
    const double half = refineHalfSide(coarse);
    // Pixel centres at whole coordinates from here on, as the pixels are addressed.
    cv::Point2d centre = coarse.centre - cv::Point2d(0.5, 0.5);
    const cv::Rect bounds(origin, pixels.size());
    std::vector<float> border;
    std::vector<float> luma;
    // Each pass centres the window on the last centroid; the window's own edges then cut the
    // target symmetrically. A pass over the same window as the last would give the same centre.
    cv::Rect previous;
    for (int pass = 0; pass < 3; ++pass) {
        const cv::Rect window = cv::Rect(cv::Point(int(std::lround(centre.x - half)), int(std::lround(centre.y - half))),
                                         cv::Point(int(std::lround(centre.x + half)) + 1, int(std::lround(centre.y + half)) + 1))
                & bounds;
        if (window.width < 5 || window.height < 5)
            return coarse;
        if (window == previous)
            break;
        previous = window;
        // The background from the window's rim, which only the background reaches.
        border.clear();
        luma.resize(std::size_t(window.area()));
        float *value = luma.data();
        float peak = 0.0f;
        for (int y = window.y; y < window.br().y; ++y) {
            const LumaRow row{pixels.ptr<uint8_t>(y - origin.y), channels};
            const bool edgeRow = y == window.y || y == window.br().y - 1;
            for (int x = window.x; x < window.br().x; ++x) {
                const float v = *value++ = row.level(x - origin.x);
                peak = std::max(peak, v);
                if (edgeRow || x == window.x || x == window.br().x - 1)
                    border.push_back(v);
            }
        }
        std::nth_element(border.begin(), border.begin() + std::ptrdiff_t(border.size() / 2), border.end());
        const float background = border[border.size() / 2];
        if (peak - background < minimumContrast)
            return coarse;
        // Only the target's upper part weighs in: grain on the background would otherwise pull
        // the centroid towards the window's middle.
        const float level = background + 0.25f * (peak - background);
        double sum = 0.0, sumX = 0.0, sumY = 0.0;
        value = luma.data();
        for (int y = window.y; y < window.br().y; ++y) {
            for (int x = window.x; x < window.br().x; ++x) {
                const double w = *value++ - level;
                if (w > 0) {
                    sum += w;
                    sumX += w * x;
                    sumY += w * y;
                }
            }
        }
        if (sum <= 0)
            return coarse;
        centre = cv::Point2d(sumX / sum, sumY / sum);
    }
    reading.centre = centre + cv::Point2d(0.5, 0.5);
    reading.refined = true;
    return reading;
}
