#pragma once

#include "tests/support/diagnostic_log_reader.h"
#include "tests/support/fake_camera_platform.h"
#include "tests/support/fake_control_source.h"
#include "tests/support/main_window_test_access.h"
#include "tests/support/message_recorder.h"
#include "ui/main_window.h"
#include "view/image_view.h"

// The window's widgets the tests reach, so that each test needs only this header.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <memory>

// A main window on a fake camera stack, by default with one "vesk5" (3840 x 2160) attached.
struct CaptureTestWindow {
    using Writes = FakeVideoCapture::Writes;

    explicit CaptureTestWindow(std::vector<VideoInput> devices = {{0, QStringLiteral("vesk5")}}, QMap<int, ReportedRanges> ranges = {})
        : window(makeWindow(std::move(devices), std::move(ranges))), access(*window) {}

    std::unique_ptr<MainWindow> makeWindow(std::vector<VideoInput> devices, QMap<int, ReportedRanges> ranges)
    {
        auto fakePlatform = std::make_unique<FakeCameraPlatform>();
        fakePlatform->devices = std::move(devices);
        fakePlatform->ranges = std::move(ranges);
        fakePlatform->captureFactory = [this] {
            auto fake = std::make_unique<FakeVideoCapture>();
            camera = fake.get();
            return fake;
        };
        return std::make_unique<MainWindow>(std::move(fakePlatform));
    }

    FakeCameraPlatform &platform() { return static_cast<FakeCameraPlatform &>(*access.platform()); }

    // Opens the camera, which then delivers `frame` every `interval`.
    bool openStreaming(const cv::Mat &frame, std::chrono::microseconds interval = std::chrono::milliseconds(5))
    {
        camera->setSteadyFrame(frame);
        camera->setReadInterval(interval);
        access.openCamera();
        return isOpen();
    }

    bool isClosedWithDevice()
    {
        return access.openButton()->isEnabled() && !access.closeButton()->isEnabled()
            && !access.driverSettingsButton()->isEnabled() && access.deviceCombo()->isEnabled()
            && access.statusLabel()->text() == QStringLiteral("Not Open") && !access.captureThread().joinable()
            && !access.captureRunning() && !camera->isOpened();
    }

    bool isOpen()
    {
        return !access.openButton()->isEnabled() && access.closeButton()->isEnabled()
            && access.driverSettingsButton()->isEnabled() && !access.deviceCombo()->isEnabled()
            && access.captureThread().joinable();
    }

    FakeVideoCapture *camera = nullptr;   // owned by the window
    std::unique_ptr<MainWindow> window;
    MainWindowTestAccess access;
};
