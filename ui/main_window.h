#pragma once

#include "camera/camera_platform.h"
#include "camera/held_controls.h"
#include "decode/decode_pool.h"
#include "decode/focus_measure.h"
#include "decode/focus_worker.h"
#include "persistence/camera_settings_file.h"
#include "persistence/parameter_files.h"
#include "view/overlay_settings.h"

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QPointF>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <opencv2/core/mat.hpp>
#include <opencv2/videoio.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CameraSettingsDialog;
class ImageView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QWidget;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(std::unique_ptr<CameraPlatform> platform = createDefaultCameraPlatform(),
                        QWidget *parent = nullptr);
    ~MainWindow() override;

    // Sizes the window to `preferred` where the screen's available area has room for it and
    // for the designed minimum; on a smaller screen both shrink to the area, the picture gives
    // up room and the panel scrolls, so every control stays reachable.
    void resizeWithin(const QSize &preferred, const QRect &available);

private slots:
    void openCamera();
    void closeCamera();
    void grabFrame();
    void saveParameters();
    void saveFocusCenter();
    void loadParameters();
    void openDriverSettings();
    void requestSnapshot();
    void applyCameraControls();
    void setAutoFocus(bool enabled);
    void setAutoExposure(bool enabled);
    void setNightMode(bool enabled);
    void setZoom(double zoom);
    void endLostSession(quint64 generation);

private:
    friend class MainWindowTestAccess;

    // Window frame (main_window.cpp)
    QWidget *buildCentralArea();

    // Control panel (main_window_panel.cpp)
    QWidget *buildControlPanel();
    QGroupBox *buildCameraGroup(QWidget *parent);
    QGroupBox *buildReticleGroup(QWidget *parent);
    QGroupBox *buildParametersGroup(QWidget *parent);
    QGroupBox *buildCameraParametersGroup();
    QGroupBox *buildCenterGroup();
    QGroupBox *buildCircleGroup(int index);

    // Theme (main_window_theme.cpp)
    void applyTheme(bool night);

    // Device list and hot-plug (main_window_devices.cpp)
    void refreshDeviceList();
    void onDeviceSelectionChanged();
    void applyRangeToControls(const QVariantMap &map, const QString &prefix, QSlider *slider,
                              QSpinBox *spin, int fallbackMinimum, int fallbackMaximum,
                              int fallbackDefault);
    void checkDeviceList();
    void refreshAfterStreamLoss();

    // Reconnect (main_window_reconnect.cpp)
    // A camera as it is recognised when it comes back: its name and, where known, its port.
    struct CameraIdentity {
        QString name;
        QString bus;
        // False when it had no port and another camera of its model was listed at its open:
        // whichever of them comes back, reopening it would be a guess.
        bool distinct = true;
    };
    // A lost camera being waited for.
    struct AwaitedCamera {
        CameraIdentity identity;
        StoredCameraSettings panel;   // the panel's values when it was lost: the operator's latest
        int shortSessions = 0;        // sessions in a row that ended soon after their open
        std::chrono::steady_clock::time_point notBefore;   // backing off until then
        bool ambiguityShown = false;
    };
    struct ReconnectTimings {
        std::chrono::milliseconds shortSession{30000};   // a loss sooner than this after the open counts
        std::chrono::milliseconds firstBackOff{5000};    // doubled for each further short session
        int shortSessionLimit = 3;                       // in a row, then the camera is not reopened
    };
    std::optional<AwaitedCamera> cameraWorthAwaiting() const;
    void awaitCamera(const AwaitedCamera &camera);
    void reopenReturnedCamera();
    void stopAwaitingCamera();
    // The entry of the camera, -1 when it is not listed or cannot be told apart from another.
    int findCameraEntry(const CameraIdentity &camera, bool *ambiguous = nullptr) const;

    // Capture (main_window_capture.cpp)
    // The Open sequence; for a returning camera it opens that camera's entry, not the first.
    void runOpenSequence(const std::optional<AwaitedCamera> &returning);
    void stopCaptureThread();
    void captureLoop();
    void requestCompressedFrames();
    void presentDecodedFrame();
    void showFrameSize(const QSize &size);
    QImage &presentationBuffer();

    // Camera controls (main_window_controls.cpp)
    bool setCameraProperty(int propertyId, double value, const QString &name);
    HeldControls showHeldCameraControls();
    void applyStoredCameraSettings();
    void restoreCameraValues(const StoredCameraSettings &wanted, const HeldControls &held);
    StoredCameraSettings panelCameraSettings() const;

    // Settings files (main_window_persistence.cpp)
    std::optional<StoredCameraSettings> loadCameraSettings(const QString &model);
    OverlayParameters panelOverlayParameters() const;
    void showOverlayParameters(const OverlayParameters &parameters);
    void saveAutoReconnect(bool enabled);
    std::optional<double> loadPixelScale(const QString &model);
    void storePixelScale(double micrometresPerPixel, const QString &how, const QString &title);

    // Overlay (main_window_overlay.cpp)
    void collectOverlaySettings(const QSize &frameSize, const QPoint &cropOrigin);
    OverlaySettings overlaySettingsFor(const QPoint &cropOrigin) const;
    QPoint centreOffset() const;
    QPoint overlayCentre() const;
    void setCenterCodeAt(const QPoint &pixel);

    // Focus meter (main_window_focus.cpp)
    void updateFocusRequest();
    void showFocusReading(const FocusReading &reading);

    // Spot finder and focus across the frame (main_window_spot.cpp)
    void showSpotReading(const FocusReading &reading);
    void showPictureMenu(const QPoint &viewPosition);
    void askPixelScale();
    void startScaleMeasurement();
    void takePictureDoubleClick(const QPoint &pixel);
    void centreOnSpot();

    // Snapshot (main_window_snapshot.cpp)
    void saveSnapshot(const cv::Mat &fullFrame);
    void saveSnapshot(const DecodedFrame &frame);

    // Platform: the camera stack behind discovery and capture.
    std::unique_ptr<CameraPlatform> platform;

    ImageView *imageView = nullptr;
    QComboBox *deviceCombo = nullptr;
    QLabel *resolutionLabel = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *closeButton = nullptr;
    QPushButton *driverSettingsButton = nullptr;
    QPushButton *snapshotButton = nullptr;
    QCheckBox *autoReconnectCheck = nullptr;
    QLabel *statusLabel = nullptr;

    std::array<CircleSettings, 3> circles{};
    std::array<QCheckBox *, 3> circleEnableChecks{};
    std::array<QSlider *, 3> circleRadiusSliders{};
    std::array<QSlider *, 3> circleThicknessSliders{};
    std::array<QSpinBox *, 3> circleRadiusSpins{};
    std::array<QSpinBox *, 3> circleThicknessSpins{};
    std::array<QPushButton *, 3> circleColorButtons{};

    QCheckBox *reticleEnableCheck = nullptr;
    QComboBox *reticleStyleCombo = nullptr;
    QSlider *reticleLengthSlider = nullptr;
    QSlider *reticleThicknessSlider = nullptr;
    QSlider *reticleAngleSlider = nullptr;
    QSpinBox *reticleLengthSpin = nullptr;
    QSpinBox *reticleThicknessSpin = nullptr;
    QDoubleSpinBox *reticleAngleSpin = nullptr;
    QPushButton *reticleColorButton = nullptr;
    QColor reticleColor = QColor(255, 220, 70);

    QSlider *offsetXSlider = nullptr;
    QSlider *offsetYSlider = nullptr;
    QSpinBox *offsetXSpin = nullptr;
    QSpinBox *offsetYSpin = nullptr;
    QCheckBox *centerOffsetCheck = nullptr;
    QSpinBox *centerCodeXSpin = nullptr;
    QSpinBox *centerCodeYSpin = nullptr;
    int centerCodeX = 0;
    int centerCodeY = 0;

    QSlider *brightnessSlider = nullptr;
    QSlider *focusSlider = nullptr;
    QSlider *gainSlider = nullptr;
    QSlider *exposureSlider = nullptr;
    QSlider *zoomSlider = nullptr;
    QSpinBox *brightnessSpin = nullptr;
    QSpinBox *focusSpin = nullptr;
    QSpinBox *gainSpin = nullptr;
    QSpinBox *exposureSpin = nullptr;
    QDoubleSpinBox *zoomSpin = nullptr;
    QCheckBox *autoFocusCheck = nullptr;
    QCheckBox *autoExposureCheck = nullptr;
    QCheckBox *nightModeCheck = nullptr;

    // VESK's own settings dialog of the open camera, where the backend has no driver dialog.
    QPointer<CameraSettingsDialog> cameraSettingsDialog;
    // Set by the snapshot button; the next shown frame is saved before it is cropped.
    bool snapshotPending = false;

    QTimer frameTimer;
    QTimer deviceTimer;
    QStringList deviceSignatures;

    // Reconnect state, GUI thread only; every close clears it.
    std::optional<CameraIdentity> openedCamera;    // set by a successful open
    std::optional<AwaitedCamera> awaitedCamera;    // lost, and reopened once it is listed again
    bool reconnectedSession = false;               // this session began by reopening a lost camera
    // Kept across the loss paths' close: the short sessions before this one, and its start.
    int shortSessionsBefore = 0;
    std::chrono::steady_clock::time_point sessionOpened;
    ReconnectTimings reconnectTimings;   // shortened only by tests

    std::unique_ptr<cv::VideoCapture> capture;
    std::thread captureThread;
    std::atomic<bool> captureRunning{false};
    std::mutex captureMutex;
    std::mutex frameMutex;
    cv::Mat latestFrame;
    bool frameReady = false;

    int currentDeviceIndex = 0;
    int targetWidth = 1280;
    int targetHeight = 720;
    int lastFrameWidth = 0;
    int lastFrameHeight = 0;
    double zoomFactor = 1.0;
    QPointF viewOffset;

    // Capture session bookkeeping (main_window_capture.cpp)
    struct CaptureTimings {
        std::chrono::milliseconds firstFrameLimit{8000};   // no frame yet since the open
        std::chrono::milliseconds laterFrameLimit{2000};   // after the first frame
    };
    CaptureTimings captureTimings;   // shortened only by tests
    // Ends every session at close, so a stream-loss call queued by an earlier session is ignored.
    // Changed only while no capture thread runs.
    std::uint64_t captureGeneration = 0;
    // Buffers of shown or dropped frames, handed back under frameMutex so the next reads fill
    // them instead of allocating fresh frame-sized ones. One is being read into, one waits in
    // the exchange and one is being shown, so two spares keep the steady state allocation-free.
    static constexpr std::size_t maxSpareFrames = 2;
    std::vector<cv::Mat> spareFrames;
    void keepSpareFrame(cv::Mat &frame);
    // Filled in turn with the shown part of plain frames; see presentationBuffer.
    std::array<QImage, 3> presentedFrames;

    // Where the camera sends compressed frames, they are decoded here at the scale and region
    // the view shows. Made before the capture thread starts and removed after it ends, so the
    // thread may use it unguarded; one per stream, so a corrupt frame is logged once per stream.
    std::unique_ptr<DecodePool> decodePool;
    DecodedFrame decodedFrame;   // the one shown, GUI thread only
    bool compressedFramesAllowed = true;   // off only for measuring the plain path

    // The focus meter: decoded frames are measured in the pool, plain ones by the worker
    // (one per stream, like the pool). Everything else here is GUI thread only.
    bool focusMeterEnabled = true;   // off only for measuring the live view without it
    std::unique_ptr<FocusWorker> focusWorker;
    FocusRequest focusRequest;
    FocusPeak focusPeak;
    // What the readings depend on besides the picture; a change restarts the peak.
    struct FocusConditions {
        bool insideCircle = false;
        QPoint centre;
        int radius = 0;
        double zoom = 1.0;
        int focus = 0;
        bool autoFocus = false;
    };
    std::optional<FocusConditions> focusConditions;   // none: restart on the next tick

    // The spot finder: the last spot found, the open camera model's scale, and the points of
    // a scale measurement under way. GUI thread only; every close clears them.
    std::optional<QPointF> lastSpot;
    std::optional<double> micrometresPerPixel;
    bool measuringScale = false;
    std::vector<QPoint> scalePoints;
};
