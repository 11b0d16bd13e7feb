#include "camera/v4l2/v4l2_capture_properties.h"

#include <linux/v4l2-controls.h>
#include <opencv2/videoio.hpp>

#include <array>
#include <utility>

namespace {

// Controls that OpenCV's V4L2 backend reaches through VideoCapture::set with the raw driver value
// (no range normalisation is asked for), so a write here is exactly the panel's write:
//
//   V4L2 control                        OpenCV property
//   brightness                          CAP_PROP_BRIGHTNESS
//   contrast                            CAP_PROP_CONTRAST
//   saturation                          CAP_PROP_SATURATION
//   hue                                 CAP_PROP_HUE
//   gain                                CAP_PROP_GAIN
//   exposure time, absolute             CAP_PROP_EXPOSURE
//   auto exposure (menu)                CAP_PROP_AUTO_EXPOSURE
//   focus, absolute                     CAP_PROP_FOCUS
//   focus, automatic continuous         CAP_PROP_AUTOFOCUS
//   white balance temperature           CAP_PROP_TEMPERATURE
//   sharpness                           CAP_PROP_SHARPNESS
//   gamma                               CAP_PROP_GAMMA
//   backlight compensation              CAP_PROP_BACKLIGHT
//   zoom, absolute                      CAP_PROP_ZOOM
//   pan, absolute                       CAP_PROP_PAN
//   tilt, absolute                      CAP_PROP_TILT
//
// Every other control (power line frequency, auto white balance, red/blue balance, relative
// and continuous motion, privacy, LED and vendor controls, ...) has no OpenCV property that is
// certain to reach it, and goes to the driver's control ioctl on a node of its own.
constexpr std::array<std::pair<quint32, int>, 16> mappedControls{{
    {V4L2_CID_BRIGHTNESS, cv::CAP_PROP_BRIGHTNESS},
    {V4L2_CID_CONTRAST, cv::CAP_PROP_CONTRAST},
    {V4L2_CID_SATURATION, cv::CAP_PROP_SATURATION},
    {V4L2_CID_HUE, cv::CAP_PROP_HUE},
    {V4L2_CID_GAIN, cv::CAP_PROP_GAIN},
    {V4L2_CID_EXPOSURE_ABSOLUTE, cv::CAP_PROP_EXPOSURE},
    {V4L2_CID_EXPOSURE_AUTO, cv::CAP_PROP_AUTO_EXPOSURE},
    {V4L2_CID_FOCUS_ABSOLUTE, cv::CAP_PROP_FOCUS},
    {V4L2_CID_FOCUS_AUTO, cv::CAP_PROP_AUTOFOCUS},
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, cv::CAP_PROP_TEMPERATURE},
    {V4L2_CID_SHARPNESS, cv::CAP_PROP_SHARPNESS},
    {V4L2_CID_GAMMA, cv::CAP_PROP_GAMMA},
    {V4L2_CID_BACKLIGHT_COMPENSATION, cv::CAP_PROP_BACKLIGHT},
    {V4L2_CID_ZOOM_ABSOLUTE, cv::CAP_PROP_ZOOM},
    {V4L2_CID_PAN_ABSOLUTE, cv::CAP_PROP_PAN},
    {V4L2_CID_TILT_ABSOLUTE, cv::CAP_PROP_TILT},
}};

} // namespace

std::optional<int> capturePropertyForV4l2Control(quint32 controlId)
{
    for (const auto &[control, property] : mappedControls) {
        if (control == controlId)
            return property;
    }
    return std::nullopt;
}
