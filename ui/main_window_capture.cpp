#include "ui/main_window.h"

#include "app/crash_handler.h"
#include "app/diagnostic_log.h"
#include "app/ui_language.h"
#include "camera/driver_call.h"
#include "ui/camera_settings_dialog.h"
#include "ui/operator_message.h"
#include "view/frame_image.h"
#include "view/image_view.h"
#include "decode/zoom_crop.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <vector>

namespace {

void showCameraWarning(QWidget *parent, const QString &text)
{
    showOperatorMessage(parent, MessageKind::Warning,
                        pickText(QStringLiteral("Camera"), QStringLiteral("攝影機"), QStringLiteral("摄像头")), text);
}

} // namespace

void MainWindow::openCamera()
{
    runOpenSequence(std::nullopt);
}

void MainWindow::runOpenSequence(const std::optional<AwaitedCamera> &returning)
{
    DiagnosticLog(QStringLiteral("Open camera requested"));
    closeCamera();
    refreshDeviceList();
    if (returning) {
        const int entry = findCameraEntry(returning->identity);
        // Gone again since it was seen: keep waiting rather than open another camera.
        if (entry < 0) {
            awaitCamera(*returning);
            return;
        }
        deviceCombo->setCurrentIndex(entry);
    }
    onDeviceSelectionChanged();

    if (deviceCombo->currentData(Qt::UserRole).toMap().isEmpty() || currentDeviceIndex < 0) {
        showCameraWarning(this, pickText(QStringLiteral("No supported VESK camera was detected."),
                                         QStringLiteral("未偵測到支援的 VESK 攝影機。"),
                                         QStringLiteral("未检测到支持的 VESK 摄像头。")));
        return;
    }

    // A failing driver must never end the process: everything that touches it is guarded.
    const std::optional<DriverFault> fault = guardDriverCall([&] {
        const QString deviceName = deviceCombo->currentText();
        // One arg() call, so a '%' in the device name cannot be taken for a placeholder.
        DiagnosticLog(QStringLiteral("Opening %1 device index %2 (%3) as MJPG %4 x %5")
                          .arg(platform->stackName(), QString::number(currentDeviceIndex), deviceName,
                               QString::number(targetWidth), QString::number(targetHeight)));

        // Size and format are requested at open time in one step; some drivers ignore later set() calls.
        const std::vector<int> params = {
            cv::CAP_PROP_FRAME_WIDTH, targetWidth,
            cv::CAP_PROP_FRAME_HEIGHT, targetHeight,
            cv::CAP_PROP_FOURCC, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
        };
        if (!capture->open(currentDeviceIndex, platform->captureApi(), params)) {
            DiagnosticLog(QStringLiteral("VideoCapture::open returned false"));
            showCameraWarning(this, pickText(QStringLiteral("Unable to open the camera."),
                                             QStringLiteral("無法開啟攝影機。"), QStringLiteral("无法打开摄像头。")));
            return;
        }
        DiagnosticLog(QStringLiteral("Device opened with atomic MJPG format parameters"));
        const QString bus = deviceCombo->currentData(Qt::UserRole).toMap().value(QStringLiteral("bus")).toString();
        int sameModel = 0;
        for (int i = 0; i < deviceCombo->count(); ++i)
            sameModel += deviceCombo->itemText(i) == deviceName ? 1 : 0;
        openedCamera = CameraIdentity{deviceName, bus, !bus.isEmpty() || sameModel == 1};
        reconnectedSession = returning.has_value();
        shortSessionsBefore = returning ? returning->shortSessions : 0;
        sessionOpened = std::chrono::steady_clock::now();
        const HeldControls held = showHeldCameraControls();
        // A returning camera gets the operator's latest values back, not the stored ones.
        if (returning)
            restoreCameraValues(returning->panel, held);
        else
            applyStoredCameraSettings();

        lastFrameWidth = 0;
        lastFrameHeight = 0;
        resolutionLabel->setText(pickText(QStringLiteral("Waiting for first frame..."),
                                          QStringLiteral("等待第一幀…"), QStringLiteral("等待首帧…")));
        // Reading properties right after open hangs or fails on some drivers.
        DiagnosticLog(QStringLiteral("Skipping startup property reads for driver compatibility"));
        DiagnosticLog(QStringLiteral("Starting capture thread"));

        // Assigning over a joinable thread would terminate the process.
        stopCaptureThread();
        requestCompressedFrames();
        if (focusMeterEnabled)
            focusWorker = std::make_unique<FocusWorker>();
        captureRunning = true;
        captureThread = std::thread([this] {
            prepareThreadForCrashReports();
            captureLoop();
        });
        frameTimer.start(30);

        openButton->setEnabled(false);
        closeButton->setEnabled(true);
        driverSettingsButton->setEnabled(true);
        snapshotButton->setEnabled(true);
        deviceCombo->setEnabled(false);
        statusLabel->setText((reconnectedSession ? pickText(QStringLiteral("Reconnected: %1, waiting for video"),
                                                            QStringLiteral("已重新連接：%1，等待畫面"),
                                                            QStringLiteral("已重新连接：%1，等待画面"))
                                                 : pickText(QStringLiteral("Open: %1, waiting for video"),
                                                            QStringLiteral("已開啟：%1，等待畫面"),
                                                            QStringLiteral("已打开：%1，等待画面")))
                                 .arg(deviceName));
        DiagnosticLog(QStringLiteral("Open camera sequence completed"));
    });
    if (!fault)
        return;
    DiagnosticLog(fault->logLine(QStringLiteral("while opening camera")));
    closeCamera();
    switch (fault->kind) {
    case DriverFault::Kind::OpenCv:
        showOperatorMessage(this, MessageKind::Critical,
                            pickText(QStringLiteral("Camera Error"), QStringLiteral("攝影機錯誤"), QStringLiteral("摄像头错误")),
                            pickText(QStringLiteral("An error occurred while opening the camera. The crash was prevented. "
                                                    "Please send vesk-diagnostic.log to the developer."),
                                     QStringLiteral("開啟攝影機時發生錯誤，程式已阻止當機。請將 vesk-diagnostic.log 傳給開發人員。"),
                                     QStringLiteral("打开摄像头时发生错误，程序已阻止崩溃。请将 vesk-diagnostic.log 发给开发人员。")));
        break;
    case DriverFault::Kind::Standard:
        showOperatorMessage(this, MessageKind::Critical, QStringLiteral("VESK"), fault->what);
        break;
    case DriverFault::Kind::Unknown:
        showOperatorMessage(this, MessageKind::Critical, QStringLiteral("VESK"),
                            pickText(QStringLiteral("An unknown error occurred while opening the camera."),
                                     QStringLiteral("開啟攝影機時發生未知錯誤。"),
                                     QStringLiteral("打开摄像头时发生未知错误。")));
        break;
    }
}

void MainWindow::requestCompressedFrames()
{
    if (!compressedFramesAllowed || !platform->deliversCompressedFrames(currentDeviceIndex))
        return;
    bool raw = false;
    // Without it the live view still works, only slower: no failure here may stop the open.
    const std::optional<DriverFault> fault = guardDriverCall([&] {
        std::lock_guard lock(captureMutex);
        raw = capture->set(cv::CAP_PROP_CONVERT_RGB, 0);
    });
    if (fault && fault->kind == DriverFault::Kind::Unknown)
        DiagnosticLog(QStringLiteral("Compressed frames refused"));
    else if (fault)
        DiagnosticLog(QStringLiteral("Compressed frames refused: %1").arg(fault->what));
    if (!raw)
        return;
    decodePool = std::make_unique<DecodePool>();
    DiagnosticLog(QStringLiteral("Reading compressed MJPG frames, decoding on %1 threads")
                      .arg(decodePool->workerCount()));
}

void MainWindow::stopCaptureThread()
{
    captureRunning.exchange(false);
    if (captureThread.joinable())
        captureThread.join();
    // After the join: the capture thread is the pool's only producer.
    decodePool.reset();
    decodedFrame = DecodedFrame();
    focusWorker.reset();
    focusConditions.reset();
    std::lock_guard lock(frameMutex);
    latestFrame.release();
    frameReady = false;
    spareFrames.clear();
}

void MainWindow::keepSpareFrame(cv::Mat &frame)
{
    // Only a buffer nobody else shares may be written by a later read.
    if (frame.u && frame.u->refcount == 1 && spareFrames.size() < maxSpareFrames)
        spareFrames.push_back(std::move(frame));
    frame.release();
}

void MainWindow::closeCamera()
{
    frameTimer.stop();
    // Every close, the operator's included, ends a wait for a lost camera; the loss paths
    // start a new one afterwards.
    openedCamera.reset();
    awaitedCamera.reset();
    reconnectedSession = false;
    // Its controls belong to the device being closed; deleted, not hidden, so no write reaches
    // another device opened later under the same index.
    delete cameraSettingsDialog.data();
    snapshotPending = false;
    // Joined before the release below, so the thread never reads from a released device.
    stopCaptureThread();
    ++captureGeneration;
    {
        std::lock_guard lock(captureMutex);
        // Runs from the destructor too, where an escaping exception would end the process.
        const std::optional<DriverFault> fault = guardDriverCall([&] {
            if (capture->isOpened())
                capture->release();
        });
        if (fault)
            DiagnosticLog(fault->logLine(QStringLiteral("while releasing camera")));
    }

    if (imageView)
        imageView->clearFrame();
    for (QImage &buffer : presentedFrames)
        buffer = QImage();
    if (statusLabel)
        statusLabel->setText(pickText(QStringLiteral("Not Open"), QStringLiteral("尚未開啟"), QStringLiteral("未打开")));
    lastFrameWidth = 0;
    lastFrameHeight = 0;

    const bool entryAvailable = deviceCombo && !deviceCombo->currentData(Qt::UserRole).toMap().isEmpty();
    if (entryAvailable && resolutionLabel)
        resolutionLabel->setText(pickText(QStringLiteral("Target %1 x %2"), QStringLiteral("指定 %1 x %2"),
                                          QStringLiteral("指定 %1 x %2"))
                                     .arg(targetWidth)
                                     .arg(targetHeight));
    if (openButton)
        openButton->setEnabled(entryAvailable);
    if (closeButton)
        closeButton->setEnabled(false);
    if (driverSettingsButton)
        driverSettingsButton->setEnabled(false);
    if (snapshotButton)
        snapshotButton->setEnabled(false);
    if (deviceCombo)
        deviceCombo->setEnabled(entryAvailable);
}

void MainWindow::showFrameSize(const QSize &size)
{
    if (size.width() == lastFrameWidth && size.height() == lastFrameHeight)
        return;
    lastFrameWidth = size.width();
    lastFrameHeight = size.height();
    resolutionLabel->setText(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
    if (size.width() == targetWidth && size.height() == targetHeight)
        statusLabel->setText((reconnectedSession ? pickText(QStringLiteral("Reconnected: %1"), QStringLiteral("已重新連接：%1"),
                                                            QStringLiteral("已重新连接：%1"))
                                                 : pickText(QStringLiteral("Open: %1"), QStringLiteral("已開啟：%1"),
                                                            QStringLiteral("已打开：%1")))
                                 .arg(deviceCombo->currentText()));
    else
        statusLabel->setText(pickText(QStringLiteral("Resolution mismatch: target %1 x %2"),
                                      QStringLiteral("解析度異常：指定 %1 x %2"), QStringLiteral("分辨率异常：指定 %1 x %2"))
                                 .arg(targetWidth)
                                 .arg(targetHeight));
}

void MainWindow::grabFrame()
{
    updateFocusRequest();
    FocusReading reading;
    if (focusWorker && focusWorker->takeReading(reading))
        showFocusReading(reading);
    if (decodePool) {
        // Frames decoded from now on fit the view as it is on this tick.
        const QSize area = imageView->pictureArea();
        decodePool->setViewRequest(ViewRequest{zoomFactor, cv::Point2d(viewOffset.x(), viewOffset.y()),
                                               cv::Size(area.width(), area.height())});
        if (decodePool->takeNewest(decodedFrame)) {
            presentDecodedFrame();
            return;
        }
    }

    cv::Mat full;
    {
        std::lock_guard lock(frameMutex);
        if (!frameReady)
            return;
        full = std::move(latestFrame);
        frameReady = false;
    }
    if (full.empty())
        return;
    cv::Mat frame = full;

    showFrameSize(QSize(frame.cols, frame.rows));

    // After the labels, so the snapshot's status line is not overwritten by a size change.
    if (snapshotPending)
        saveSnapshot(full);

    const QSize frameSize(frame.cols, frame.rows);
    const QRect crop = zoomCropRect(frameSize, zoomFactor, viewOffset);
    if (crop.size() != frameSize)
        frame = cv::Mat(frame, cv::Rect(crop.x(), crop.y(), crop.width(), crop.height()));
    collectOverlaySettings(frameSize, crop.topLeft());

    // The one pixel copy per shown frame, so the image owns its pixels once the Mat goes.
    QImage &buffer = presentationBuffer();
    if (copyFrameInto(frame, buffer)) {
        imageView->setFrame(buffer, crop, 1);
        if (focusWorker)
            focusWorker->offer(buffer, cv::Rect(crop.x(), crop.y(), crop.width(), crop.height()), focusRequest);
    }
    frame.release();
    std::lock_guard lock(frameMutex);
    keepSpareFrame(full);
}

QImage &MainWindow::presentationBuffer()
{
    // The view holds the frame it shows and the focus worker may still read an earlier one:
    // the first buffer neither holds is filled again, and a third is made only when the
    // worker lags behind.
    QImage *blank = nullptr;
    for (QImage &buffer : presentedFrames) {
        if (buffer.isNull()) {
            blank = blank ? blank : &buffer;
            continue;
        }
        // The worker first: its lock orders its last read of the pixels before their reuse.
        if (!(focusWorker && focusWorker->isReading(buffer)) && buffer.isDetached())
            return buffer;
    }
    // Failing both, the copy below makes a fresh image rather than overwrite a shown one.
    return blank ? *blank : presentedFrames.front();
}

void MainWindow::presentDecodedFrame()
{
    const DecodePlan &plan = decodedFrame.plan;
    const QSize frameSize(plan.frameSize.width, plan.frameSize.height);
    showFrameSize(frameSize);
    if (snapshotPending)
        saveSnapshot(decodedFrame);

    // The decode was planned for the zoom and pan of an earlier tick: the overlay follows the
    // part the frame really shows, so it stays on the same camera pixel.
    collectOverlaySettings(frameSize, QPoint(plan.shown.x, plan.shown.y));
    imageView->setFrame(decodedFrame.image, QRect(plan.shown.x, plan.shown.y, plan.shown.width, plan.shown.height),
                        plan.scaleDenom);
    showFocusReading(decodedFrame.focus);
}
