#include "decode/spot_refiner.h"

#include "decode/luma.h"
#include "decode/mjpeg_decoder.h"
#include "decode/spot_finder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

// How far, in picture pixels, the picture's gradients follow a measured target; further, the
// target is measured again.
constexpr double followLimit = 0.1;

cv::Mat lumaOf(const cv::Mat &picture, const cv::Rect &window)
{
    cv::Mat luma(window.size(), CV_32F);
    for (int y = 0; y < window.height; ++y) {
        const LumaRow row{picture.ptr<uint8_t>(window.y + y), picture.channels()};
        float *out = luma.ptr<float>(y);
        for (int x = 0; x < window.width; ++x)
            out[x] = row.level(window.x + x);
    }
    return luma;
}

// How far the target moved from `before` to `now`, two windows of luma at the same place, in
// pixels: one gradient step, good for moves well under a pixel. Only the target's pixels and
// their neighbours count, so texture standing still around it does not hold it back. Nothing
// when the window holds no target to follow.
std::optional<cv::Point2d> shiftOf(const cv::Mat &before, const cv::Mat &now)
{
    std::vector<float> values(before.begin<float>(), before.end<float>());
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    const float background = *middle;
    const float peak = *std::max_element(values.begin(), values.end());
    if (peak - background < 20.0f)
        return std::nullopt;
    const float level = background + 0.1f * (peak - background);

    double xx = 0, xy = 0, yy = 0, xt = 0, yt = 0;
    for (int y = 1; y + 1 < before.rows; ++y) {
        const float *b = before.ptr<float>(y), *bUp = before.ptr<float>(y - 1), *bDown = before.ptr<float>(y + 1);
        const float *n = now.ptr<float>(y), *nUp = now.ptr<float>(y - 1), *nDown = now.ptr<float>(y + 1);
        for (int x = 1; x + 1 < before.cols; ++x) {
            if (std::max({b[x - 1], b[x], b[x + 1], bUp[x], bDown[x], n[x]}) <= level)
                continue;
            const double gx = 0.25 * (b[x + 1] - b[x - 1] + n[x + 1] - n[x - 1]);
            const double gy = 0.25 * (bDown[x] - bUp[x] + nDown[x] - nUp[x]);
            const double gt = n[x] - b[x];
            xx += gx * gx;
            xy += gx * gy;
            yy += gy * gy;
            xt += gx * gt;
            yt += gy * gt;
        }
    }
    const double det = xx * yy - xy * xy;
    if (!(det > 1e-6 * (xx + yy) * (xx + yy)))
        return std::nullopt;
    // now(p) = before(p - d), so now - before = -gradient . d.
    return cv::Point2d(-(yy * xt - xy * yt) / det, -(xx * yt - xy * xt) / det);
}

} // namespace

bool SpotRefiner::View::operator==(const View &other) const
{
    return generation == other.generation && shown == other.shown && scaleDenom == other.scaleDenom
            && kind == other.kind;
}

SpotRefiner::SpotRefiner() = default;
SpotRefiner::~SpotRefiner() = default;

SpotReading SpotRefiner::refine(const cv::Mat &compressed, const cv::Mat &picture, const SpotReading &coarse,
                                const DecodePlan &plan, std::uint64_t generation)
{
    if (!coarse.found || coarse.refined) {
        pending.reset();
        return coarse;
    }
    const View view{generation, plan.shown, plan.scaleDenom, coarse.kind};
    if (last && !(last->view == view))
        last.reset();
    if (pending && !(pending->measurement.view == view))
        pending.reset();
    // One step of a measurement per frame at most: one under way takes this frame's.
    const bool stepped = pending.has_value();
    if (pending)
        advance();

    SpotReading reading = coarse;
    bool renew = true;
    if (last && (last->window & cv::Rect(0, 0, picture.cols, picture.rows)) == last->window) {
        ++last->reuses;
        reading.refined = true;
        // A thin target far off moves the coarse centre by half a pixel or more: the gradient
        // step cannot follow that, and must not be asked.
        const cv::Point2d moved = (coarse.centre - last->coarse) / view.scaleDenom;
        const std::optional<cv::Point2d> shift = std::hypot(moved.x, moved.y) <= 0.5
                ? shiftOf(last->luma, lumaOf(picture, last->window))
                : std::nullopt;
        if (shift && std::hypot(shift->x, shift->y) <= followLimit) {
            reading.centre = last->refined + *shift * view.scaleDenom;
            renew = last->reuses >= maxReuses;
        } else {
            reading.centre = coarse.centre + (last->refined - last->coarse);
        }
    }
    if (renew && !stepped)
        begin(compressed, picture, coarse, plan, view, reading);
    return reading;
}

void SpotRefiner::begin(const cv::Mat &compressed, const cv::Mat &picture, const SpotReading &coarse,
                        const DecodePlan &plan, const View &view, SpotReading &reading)
{
    if (!decoder)
        decoder = std::make_unique<MjpegDecoder>();
    const std::size_t size = compressed.total() * compressed.elemSize();
    DecodePlan region;
    if (!decoder->startRegion(compressed.ptr<uint8_t>(), size, spotRefineWindow(coarse, plan.frameSize), region))
        return;
    if (decoder->enteredAtRestart()) {
        // Measured afresh, whole, on this frame; nothing to keep for the next.
        if (decoder->continueRegion(INT_MAX, pixels) != MjpegDecoder::Step::Done)
            return;
        ++decodes;
        const SpotReading fresh = refineSpot(pixels.mat(), region.shown.tl(), coarse);
        if (fresh.refined)
            reading = fresh;
        return;
    }
    const int denom = view.scaleDenom;
    const cv::Point2d inPicture = (coarse.centre - cv::Point2d(plan.shown.tl())) / denom;
    const int half = int(std::ceil(coarse.radius / denom * 1.5)) + 3;
    const cv::Rect window = cv::Rect(int(std::floor(inPicture.x)) - half, int(std::floor(inPicture.y)) - half,
                                     2 * half + 1, 2 * half + 1)
            & cv::Rect(0, 0, picture.cols, picture.rows);
    if (window.width < 3 || window.height < 3)
        return;
    const long long rows = static_cast<long long>(plan.frameSize.height) * static_cast<long long>(bytesPerStep)
            / static_cast<long long>(std::max<std::size_t>(size, 1));
    const int rowsPerStep = int(std::clamp<long long>(rows, 16, INT_MAX));
    pending = Pending{Measurement{view, coarse.centre, {}, window, lumaOf(picture, window), 0}, coarse,
                      region.shown.tl(), rowsPerStep};
    // A target near the top of a small frame is reached within the first step.
    if (advance()) {
        ++last->reuses;
        reading.centre = last->refined;
        reading.refined = true;
    }
}

bool SpotRefiner::advance()
{
    const MjpegDecoder::Step step = decoder->continueRegion(pending->rowsPerStep, pixels);
    if (step == MjpegDecoder::Step::Pending)
        return false;
    bool measured = false;
    if (step == MjpegDecoder::Step::Done) {
        ++decodes;
        const SpotReading fresh = refineSpot(pixels.mat(), pending->origin, pending->coarse);
        if (fresh.refined) {
            last = std::move(pending->measurement);
            last->refined = fresh.centre;
            measured = true;
        }
    }
    pending.reset();
    return measured;
}
