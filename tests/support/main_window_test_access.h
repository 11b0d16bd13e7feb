#pragma once

#include "ui/main_window.h"

#include <utility>

// Reaches the window's private state and operations from the tests: each field by a reference
// of the same name, each function by a call that forwards its arguments.
#define VESK_FIELD(name) auto &name() { return w.name; }
#define VESK_CALL(name) template <typename... A> decltype(auto) name(A &&...a) { return w.name(std::forward<A>(a)...); }

class MainWindowTestAccess {
public:
    explicit MainWindowTestAccess(MainWindow &window) : w(window) {}

    // Device, session and capture thread.
    VESK_FIELD(platform) VESK_FIELD(deviceCombo) VESK_FIELD(deviceSignatures) VESK_FIELD(currentDeviceIndex)
    VESK_FIELD(openButton) VESK_FIELD(closeButton) VESK_FIELD(driverSettingsButton) VESK_FIELD(autoReconnectCheck)
    VESK_FIELD(cameraSettingsDialog) VESK_FIELD(statusLabel) VESK_FIELD(resolutionLabel) VESK_FIELD(captureThread)
    VESK_FIELD(captureRunning) VESK_FIELD(captureMutex) VESK_FIELD(captureTimings) VESK_FIELD(reconnectTimings) VESK_FIELD(frameTimer)
    VESK_FIELD(latestFrame) VESK_FIELD(frameReady) VESK_FIELD(spareFrames) VESK_FIELD(decodePool) VESK_FIELD(decodedFrame)
    // What the benchmarks reach as well.
    VESK_FIELD(frameMutex) VESK_FIELD(presentedFrames) VESK_FIELD(lastFrameWidth) VESK_FIELD(lastFrameHeight)
    VESK_FIELD(compressedFramesAllowed) VESK_FIELD(focusMeterEnabled) VESK_FIELD(focusWorker)
    // The view, zoom and snapshots.
    VESK_FIELD(imageView) VESK_FIELD(zoomFactor) VESK_FIELD(viewOffset) VESK_FIELD(zoomSpin) VESK_FIELD(snapshotPending)
    // The overlay's panel.
    VESK_FIELD(circles) VESK_FIELD(circleEnableChecks) VESK_FIELD(circleRadiusSliders) VESK_FIELD(circleRadiusSpins)
    VESK_FIELD(circleThicknessSliders) VESK_FIELD(circleThicknessSpins) VESK_FIELD(circleColorButtons)
    VESK_FIELD(reticleEnableCheck) VESK_FIELD(reticleStyleCombo) VESK_FIELD(reticleColorButton) VESK_FIELD(reticleColor)
    VESK_FIELD(reticleLengthSlider) VESK_FIELD(reticleLengthSpin) VESK_FIELD(reticleThicknessSlider)
    VESK_FIELD(reticleAngleSlider) VESK_FIELD(reticleAngleSpin) VESK_FIELD(offsetXSlider) VESK_FIELD(offsetXSpin)
    VESK_FIELD(offsetYSlider) VESK_FIELD(centerOffsetCheck) VESK_FIELD(centerCodeX) VESK_FIELD(centerCodeY)
    VESK_FIELD(centerCodeXSpin) VESK_FIELD(centerCodeYSpin)
    // The camera's own controls.
    VESK_FIELD(brightnessSlider) VESK_FIELD(brightnessSpin) VESK_FIELD(focusSlider) VESK_FIELD(focusSpin)
    VESK_FIELD(gainSlider) VESK_FIELD(gainSpin) VESK_FIELD(exposureSlider) VESK_FIELD(exposureSpin)
    VESK_FIELD(autoFocusCheck) VESK_FIELD(autoExposureCheck)

    VESK_CALL(openCamera) VESK_CALL(closeCamera) VESK_CALL(grabFrame) VESK_CALL(checkDeviceList)
    VESK_CALL(refreshAfterStreamLoss) VESK_CALL(setCameraProperty) VESK_CALL(applyCameraControls)
    VESK_CALL(openDriverSettings) VESK_CALL(collectOverlaySettings) VESK_CALL(saveParameters)
    VESK_CALL(saveFocusCenter) VESK_CALL(loadParameters) VESK_CALL(setNightMode) VESK_CALL(requestSnapshot)
    VESK_CALL(setZoom)

private:
    MainWindow &w;
};

#undef VESK_FIELD
#undef VESK_CALL
