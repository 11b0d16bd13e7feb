#include "test_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

cv::Mat texturedPicture(cv::Size size)
{
    cv::Mat picture(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const double blue = 128 + 100 * std::sin(2 * CV_PI * x / 37.0);
            const double green = 128 + 100 * std::sin(2 * CV_PI * y / 29.0);
            const double red = 255.0 * (x + y) / (size.width + size.height);
            picture.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(blue), uchar(green), uchar(red));
        }
    }
    return picture;
}

cv::Mat chequerboard(cv::Size size, int square, int blur)
{
    // The board is a product of two square waves, so blurring each blurs the board.
    const int length = std::max(size.width, size.height);
    std::vector<double> wave(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        double sum = 0.0;
        for (int k = i - blur / 2; k < i - blur / 2 + blur; ++k)
            sum += (std::max(k, 0) / square) % 2 ? 1.0 : -1.0;
        wave[std::size_t(i)] = sum / blur;
    }
    cv::Mat picture(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x)
            picture.at<cv::Vec3b>(y, x) = cv::Vec3b::all(uchar(128 + 100 * wave[std::size_t(x)] * wave[std::size_t(y)]));
    }
    return picture;
}

std::vector<uint8_t> encodePicture(const cv::Mat &bgr, JpegSampling sampling, int quality)
{
    return encodeJpeg(bgr.ptr<uint8_t>(), bgr.size(), int(bgr.step[0]), quality, sampling);
}

std::vector<uint8_t> encodeWithRestarts(const cv::Mat &bgr, JpegSampling sampling, int quality,
                                        int restartRows, int restartMcus)
{
    jpeg_compress_struct jpeg;
    jpeg_error_mgr error;
    jpeg.err = jpeg_std_error(&error);
    jpeg_create_compress(&jpeg);
    unsigned char *bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &bytes, &size);
    jpeg.image_width = JDIMENSION(bgr.cols);
    jpeg.image_height = JDIMENSION(bgr.rows);
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, quality, TRUE);
    jpeg.dct_method = JDCT_IFAST;
    if (sampling == JpegSampling::Gray) {
        jpeg_set_colorspace(&jpeg, JCS_GRAYSCALE);
    } else {
        jpeg.comp_info[0].h_samp_factor = sampling == JpegSampling::Yuv444 ? 1 : 2;
        jpeg.comp_info[0].v_samp_factor = sampling == JpegSampling::Yuv420 ? 2 : 1;
    }
    jpeg.restart_in_rows = restartRows;
    jpeg.restart_interval = unsigned(restartMcus);
    jpeg_start_compress(&jpeg, TRUE);
    while (jpeg.next_scanline < jpeg.image_height) {
        JSAMPROW row = const_cast<uint8_t *>(bgr.ptr<uint8_t>(int(jpeg.next_scanline)));
        jpeg_write_scanlines(&jpeg, &row, 1);
    }
    jpeg_finish_compress(&jpeg);
    std::vector<uint8_t> result(bytes, bytes + size);
    jpeg_destroy_compress(&jpeg);
    std::free(bytes);
    return result;
}
