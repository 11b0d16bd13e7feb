#pragma once

#include "ui/main_window.h"

// Reaches the window's private state and operations from the tests.
class MainWindowTestAccess {
public:
    explicit MainWindowTestAccess(MainWindow &window) : w(window) {}

    auto &platform() { return w.platform; }
    auto &imageView() { return w.imageView; }
    auto &deviceCombo() { return w.deviceCombo; }
    auto &resolutionLabel() { return w.resolutionLabel; }
    auto &openButton() { return w.openButton; }
    auto &closeButton() { return w.closeButton; }
    auto &driverSettingsButton() { return w.driverSettingsButton; }
    auto &snapshotButton() { return w.snapshotButton; }
    auto &autoReconnectCheck() { return w.autoReconnectCheck; }
    auto &cameraSettingsDialog() { return w.cameraSettingsDialog; }
    auto &snapshotPending() { return w.snapshotPending; }
    auto &statusLabel() { return w.statusLabel; }
    auto &circles() { return w.circles; }
    auto &circleEnableChecks() { return w.circleEnableChecks; }
    auto &circleRadiusSliders() { return w.circleRadiusSliders; }
    auto &circleThicknessSliders() { return w.circleThicknessSliders; }
    auto &circleRadiusSpins() { return w.circleRadiusSpins; }
    auto &circleThicknessSpins() { return w.circleThicknessSpins; }
    auto &circleColorButtons() { return w.circleColorButtons; }
    auto &reticleEnableCheck() { return w.reticleEnableCheck; }
    auto &reticleStyleCombo() { return w.reticleStyleCombo; }
    auto &reticleLengthSlider() { return w.reticleLengthSlider; }
    auto &reticleThicknessSlider() { return w.reticleThicknessSlider; }
    auto &reticleAngleSlider() { return w.reticleAngleSlider; }
    auto &reticleLengthSpin() { return w.reticleLengthSpin; }
    auto &reticleThicknessSpin() { return w.reticleThicknessSpin; }
    auto &reticleAngleSpin() { return w.reticleAngleSpin; }
    auto &reticleColorButton() { return w.reticleColorButton; }
    auto &reticleColor() { return w.reticleColor; }
    auto &offsetXSlider() { return w.offsetXSlider; }
    auto &offsetYSlider() { return w.offsetYSlider; }
    auto &offsetXSpin() { return w.offsetXSpin; }
    auto &offsetYSpin() { return w.offsetYSpin; }
    auto &centerOffsetCheck() { return w.centerOffsetCheck; }
    auto &centerCodeXSpin() { return w.centerCodeXSpin; }
    auto &centerCodeYSpin() { return w.centerCodeYSpin; }
    auto &centerCodeX() { return w.centerCodeX; }
    auto &centerCodeY() { return w.centerCodeY; }
    auto &brightnessSlider() { return w.brightnessSlider; }
    auto &focusSlider() { return w.focusSlider; }
    auto &gainSlider() { return w.gainSlider; }
    auto &exposureSlider() { return w.exposureSlider; }
    auto &zoomSlider() { return w.zoomSlider; }
    auto &brightnessSpin() { return w.brightnessSpin; }
    auto &focusSpin() { return w.focusSpin; }
    auto &gainSpin() { return w.gainSpin; }
    auto &exposureSpin() { return w.exposureSpin; }
    auto &zoomSpin() { return w.zoomSpin; }
    auto &autoFocusCheck() { return w.autoFocusCheck; }
    auto &autoExposureCheck() { return w.autoExposureCheck; }
    auto &frameTimer() { return w.frameTimer; }
    auto &deviceSignatures() { return w.deviceSignatures; }
    auto &captureThread() { return w.captureThread; }
    auto &captureRunning() { return w.captureRunning; }
    auto &captureMutex() { return w.captureMutex; }
    auto &frameMutex() { return w.frameMutex; }
    auto &latestFrame() { return w.latestFrame; }
    auto &frameReady() { return w.frameReady; }
    auto &currentDeviceIndex() { return w.currentDeviceIndex; }
    auto &targetWidth() { return w.targetWidth; }
    auto &lastFrameWidth() { return w.lastFrameWidth; }
    auto &lastFrameHeight() { return w.lastFrameHeight; }
    auto &zoomFactor() { return w.zoomFactor; }
    auto &viewOffset() { return w.viewOffset; }
    auto &captureTimings() { return w.captureTimings; }
    auto &presentedFrames() { return w.presentedFrames; }
    auto &spareFrames() { return w.spareFrames; }
    auto &decodePool() { return w.decodePool; }
    auto &decodedFrame() { return w.decodedFrame; }
    auto &compressedFramesAllowed() { return w.compressedFramesAllowed; }
    auto &focusMeterEnabled() { return w.focusMeterEnabled; }
    auto &focusWorker() { return w.focusWorker; }

    template <typename... Args> decltype(auto) checkDeviceList(Args &&...args) { return w.checkDeviceList(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) refreshAfterStreamLoss(Args &&...args) { return w.refreshAfterStreamLoss(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) setCameraProperty(Args &&...args) { return w.setCameraProperty(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) collectOverlaySettings(Args &&...args) { return w.collectOverlaySettings(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) openCamera(Args &&...args) { return w.openCamera(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) closeCamera(Args &&...args) { return w.closeCamera(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) grabFrame(Args &&...args) { return w.grabFrame(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) saveParameters(Args &&...args) { return w.saveParameters(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) saveFocusCenter(Args &&...args) { return w.saveFocusCenter(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) loadParameters(Args &&...args) { return w.loadParameters(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) openDriverSettings(Args &&...args) { return w.openDriverSettings(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) applyCameraControls(Args &&...args) { return w.applyCameraControls(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) setNightMode(Args &&...args) { return w.setNightMode(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) requestSnapshot(Args &&...args) { return w.requestSnapshot(std::forward<Args>(args)...); }
    template <typename... Args> decltype(auto) setZoom(Args &&...args) { return w.setZoom(std::forward<Args>(args)...); }

private:
    MainWindow &w;
};
