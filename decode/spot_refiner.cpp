#include "decode/spot_refiner.h"

#include "decode/mjpeg_decoder.h"
#include "decode/spot_finder.h"

#include <cmath>

SpotReading SpotRefiner::refine(MjpegDecoder &decoder, const cv::Mat &compressed, const SpotReading &coarse,
                                const DecodePlan &plan, std::uint64_t generation)
{
    if (!coarse.found || coarse.refined)
        return coarse;
    if (last && last->generation == generation && last->frameSize == plan.frameSize
        && last->scaleDenom == plan.scaleDenom && last->kind == coarse.kind && last->reuses < maxReuses) {
        const cv::Point2d moved = coarse.centre - last->coarse;
        if (std::hypot(moved.x, moved.y) <= 0.25 * plan.scaleDenom) {
            ++last->reuses;
            SpotReading reading = coarse;
            reading.centre += last->offset;
            reading.refined = true;
            return reading;
        }
    }

    last.reset();
    ++decodes;
    DecodePlan region;
    if (!decoder.decodeRegion(compressed.ptr<uint8_t>(), compressed.total() * compressed.elemSize(),
                              spotRefineWindow(coarse, plan.frameSize), pixels, region))
        return coarse;
    const SpotReading reading = refineSpot(pixels.mat(), region.shown.tl(), coarse);
    if (reading.refined)
        last = Correction{generation, plan.frameSize, plan.scaleDenom, coarse.kind, coarse.centre,
                          reading.centre - coarse.centre, 0};
    return reading;
}
