#include "decode/focus_measure.h"

#include "decode/luma.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Columns of row y inside the disc, limited to [0, lastColumn]; empty when first > last.
void discSpan(double y, const cv::Point2d &centre, double radius, int lastColumn, int &first, int &last)
{
    const double dy = y - centre.y;
    const double half = std::sqrt(std::max(0.0, radius * radius - dy * dy));
    first = std::max(0, int(std::ceil(centre.x - half)));
    last = std::min(lastColumn, int(std::floor(centre.x + half)));
}

// Mean squared gradient over the disc from at most `maxSamples` pixels, in grey levels squared
// per picture pixel squared; nothing when too few of its pixels are on show to say anything.
std::optional<double> discScore(const cv::Mat &image, const cv::Point2d &centre, double radius,
                                int lastColumn, int lastRow, int maxSamples)
{
    const int firstRow = std::max(0, int(std::ceil(centre.y - radius)));
    const int endRow = std::min(lastRow, int(std::floor(centre.y + radius)));
    if (lastColumn < 0 || firstRow > endRow)
        return std::nullopt;

    double inside = 0.0;
    for (int y = firstRow; y <= endRow; ++y) {
        int first, last;
        discSpan(y, centre, radius, lastColumn, first, last);
        inside += std::max(0, last - first + 1);
    }
    // Even spacing on both axes keeps the estimate unbiased; each sample still looks at its
    // direct neighbours, so the finest detail counts at any spacing. The spacing is odd, so
    // it cycles through every phase of the block grids edges tend to lie on, rather than
    // stepping over all of them.
    const int step = int(std::ceil(std::sqrt(inside / maxSamples))) | 1;

    const int channels = image.channels();
    double sum = 0.0;
    long long samples = 0;
    for (int y = firstRow; y <= endRow; y += step) {
        int first, last;
        discSpan(y, centre, radius, lastColumn, first, last);
        const LumaRow row{image.ptr<uint8_t>(y), channels};
        const LumaRow below{image.ptr<uint8_t>(y + 1), channels};
        for (int x = first; x <= last; x += step) {
            const double here = row[x];
            const double dx = row[x + 1] - here;
            const double dy = below[x] - here;
            sum += dx * dx + dy * dy;
            ++samples;
        }
    }
    if (samples < 16)
        return std::nullopt;
    return sum / double(samples) / (256.0 * 256.0);
}

} // namespace

MeterDisc meterDisc(const cv::Rect &shown, int scaleDenom, const FocusRequest &request)
{
    const double denom = std::max(1, scaleDenom);
    if (request.insideCircle)
        return {(request.centre - cv::Point2d(shown.tl())) / denom, request.radius / denom};
    return {cv::Point2d(shown.width, shown.height) * (0.5 / denom), std::min(shown.width, shown.height) / 4.0 / denom};
}

FocusReading measureFocus(const cv::Mat &image, const cv::Rect &shown, int scaleDenom,
                          const FocusRequest &request)
{
    FocusReading reading;
    reading.generation = request.generation;
    reading.shown = shown;
    reading.scaleDenom = std::max(1, scaleDenom);
    if (!request.enabled || !readsAsLuma(image) || shown.width <= 0 || shown.height <= 0)
        return reading;

    const double denom = reading.scaleDenom;
    // A scaled decode may hold one column or row more than `shown`; that one is not on show.
    // Every sample needs its right and lower neighbour.
    const int lastColumn = std::min(image.cols, int(shown.width / denom)) - 2;
    const int lastRow = std::min(image.rows, int(shown.height / denom)) - 2;
    // Scores per full-frame pixel: a picture decoded at 1/n has n times the gradient.
    const double perFramePixel = 1.0 / (denom * denom);
    const MeterDisc disc = meterDisc(shown, reading.scaleDenom, request);
    if (const std::optional<double> score = discScore(image, disc.centre, disc.radius, lastColumn, lastRow, maxFocusSamples)) {
        reading.valid = true;
        reading.score = *score * perFramePixel;
    }

    const cv::Point2d size = cv::Point2d(shown.width, shown.height) / denom;
    const double zone = std::min(size.x, size.y) / 10.0;
    const cv::Point2d zoneCentres[cornerCount] = {{size.x / 6, size.y / 6}, {size.x * 5 / 6, size.y / 6},
                                                  {size.x / 6, size.y * 5 / 6}, {size.x * 5 / 6, size.y * 5 / 6}};
    reading.cornersValid = true;
    for (int i = 0; i < cornerCount; ++i) {
        // A quarter of the centre's samples each: the four together cost what the centre does,
        // and tens of thousands of samples still give a steady mean.
        const std::optional<double> score = discScore(image, zoneCentres[i], zone, lastColumn, lastRow,
                                                      maxFocusSamples / 4);
        reading.cornersValid = reading.cornersValid && score;
        reading.corners[std::size_t(i)] = score.value_or(0.0) * perFramePixel;
    }
    return reading;
}

void FocusPeak::restart(std::uint64_t newGeneration)
{
    *this = FocusPeak();
    generation = newGeneration;
}

bool FocusPeak::add(const FocusReading &reading)
{
    if (reading.generation != generation)
        return false;
    hasScore = reading.valid;
    if (!reading.valid)
        return true;
    current = reading.score;
    if (!hasPeak || reading.shown != shown || reading.scaleDenom != scaleDenom) {
        highest = current;
        shown = reading.shown;
        scaleDenom = reading.scaleDenom;
        hasPeak = true;
    } else {
        highest = std::max(highest, current);
    }
    return true;
}
