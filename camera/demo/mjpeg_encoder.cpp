#include "camera/demo/mjpeg_encoder.h"

#include <turbojpeg.h>

namespace {

int turboSampling(JpegSampling sampling)
{
    switch (sampling) {
    case JpegSampling::Yuv444: return TJSAMP_444;
    case JpegSampling::Yuv422: return TJSAMP_422;
    case JpegSampling::Yuv420: return TJSAMP_420;
    case JpegSampling::Gray: return TJSAMP_GRAY;
    }
    return TJSAMP_422;
}

} // namespace

std::vector<uint8_t> encodeJpeg(const uint8_t *bgr, cv::Size size, int stride, int quality,
                                JpegSampling sampling)
{
    std::vector<uint8_t> result;
    tjhandle handle = tjInitCompress();
    if (!handle)
        return result;
    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    if (tjCompress2(handle, bgr, size.width, stride, size.height, TJPF_BGR, &jpeg, &jpegSize,
                    turboSampling(sampling), quality, TJFLAG_FASTDCT) == 0)
        result.assign(jpeg, jpeg + jpegSize);
    tjFree(jpeg);
    tjDestroy(handle);
    return result;
}
