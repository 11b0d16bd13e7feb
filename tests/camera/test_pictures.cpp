#include "test_pictures.h"

#include <cmath>

cv::Mat texturedPicture(cv::Size size, double stretch)
{
    cv::Mat picture(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const double blue = 128 + 100 * std::sin(2 * CV_PI * x / (37.0 * stretch));
            const double green = 128 + 100 * std::sin(2 * CV_PI * y / (29.0 * stretch));
            const double red = 255.0 * (x + y) / (size.width + size.height);
            picture.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(blue), uchar(green), uchar(red));
        }
    }
    return picture;
}

cv::Mat flatPicture(cv::Size size, cv::Vec3b colour)
{
    return cv::Mat(size, CV_8UC3, cv::Scalar(colour[0], colour[1], colour[2]));
}

std::vector<uint8_t> encodePicture(const cv::Mat &bgr, JpegSampling sampling, int quality)
{
    return encodeJpeg(bgr.ptr<uint8_t>(), bgr.size(), int(bgr.step[0]), quality, sampling);
}
