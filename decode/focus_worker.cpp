#include "decode/focus_worker.h"

#include "app/crash_handler.h"
#include "decode/spot_finder.h"

FocusWorker::FocusWorker()
    : thread([this] {
          prepareThreadForCrashReports();
          work();
      })
{
}

FocusWorker::~FocusWorker()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

bool FocusWorker::offer(const QImage &image, const cv::Rect &part, const FocusRequest &wanted)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping || !frame.isNull() || image.isNull())
            return false;
        frame = image;
        shown = part;
        request = wanted;
        pending = true;
    }
    wake.notify_one();
    return true;
}

bool FocusWorker::isReading(const QImage &image) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return !frame.isNull() && !image.isNull() && frame.constBits() == image.constBits();
}

bool FocusWorker::takeReading(FocusReading &reading)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!hasNewest)
        return false;
    reading = newest;
    hasNewest = false;
    return true;
}

void FocusWorker::work()
{
    for (;;) {
        cv::Mat pixels;
        cv::Rect part;
        FocusRequest wanted;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return stopping || pending; });
            if (stopping)
                return;
            pending = false;
            // Read below without the lock: nobody replaces or writes the frame meanwhile.
            const int type = frame.format() == QImage::Format_Grayscale8 ? CV_8UC1 : CV_8UC3;
            pixels = cv::Mat(frame.height(), frame.width(), type, const_cast<uchar *>(frame.constBits()),
                             std::size_t(frame.bytesPerLine()));
            part = shown;
            wanted = request;
        }
        FocusReading reading = measureFocus(pixels, part, 1, wanted);
        reading.spot = findSpot(pixels, part, 1, wanted);
        pixels.release();
        {
            std::lock_guard<std::mutex> lock(mutex);
            // Let go of the pixels under the lock, so isReading orders this before any reuse.
            frame = QImage();
            newest = reading;
            hasNewest = true;
        }
    }
}
