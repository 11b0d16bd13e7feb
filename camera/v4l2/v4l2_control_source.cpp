#include "camera/v4l2/v4l2_control_source.h"

#include "app/diagnostic_log.h"
#include "camera/v4l2/v4l2_capture_properties.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// A driver that keeps answering with the same or a lower id would otherwise loop forever.
constexpr int maximumControls = 512;
// Menus are enumerated index by index; a nonsense range must not stall the dialog.
constexpr qint64 maximumMenuIndices = 256;

int retryIoctl(int fd, unsigned long request, void *argument)
{
    int result = 0;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result == -1 && errno == EINTR);
    return result;
}

QString driverText(const __u8 *text, std::size_t capacity)
{
    const auto *chars = reinterpret_cast<const char *>(text);
    return QString::fromUtf8(chars, static_cast<qsizetype>(strnlen(chars, capacity)));
}

} // namespace

std::optional<CameraControlType> cameraControlType(quint32 v4l2Type)
{
    switch (v4l2Type) {
    case V4L2_CTRL_TYPE_INTEGER:
        return CameraControlType::Integer;
    case V4L2_CTRL_TYPE_BOOLEAN:
        return CameraControlType::Boolean;
    case V4L2_CTRL_TYPE_MENU:
        return CameraControlType::Menu;
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        return CameraControlType::IntegerMenu;
    case V4L2_CTRL_TYPE_BUTTON:
        return CameraControlType::Button;
    default:
        return std::nullopt;
    }
}

std::optional<CameraControl> controlFromQuery(const v4l2_queryctrl &query)
{
    const auto type = cameraControlType(query.type);
    if (!type)
        return std::nullopt;
    CameraControl control;
    control.id = query.id;
    control.name = driverText(query.name, sizeof query.name);
    control.type = *type;
    control.minimum = query.minimum;
    control.maximum = query.maximum;
    // Menus and buttons report step 0; a zero step would make a slider that cannot move.
    control.step = query.step > 0 ? query.step : 1;
    control.defaultValue = query.default_value;
    control.value = query.default_value;
    control.inactive = (query.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
    control.disabled = (query.flags & V4L2_CTRL_FLAG_DISABLED) != 0;
    // A grabbed control is busy for another user of the device: as unchangeable as a read-only one.
    control.readOnly = (query.flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_GRABBED)) != 0;
    return control;
}

bool hasReadableValue(const v4l2_queryctrl &query)
{
    return query.type != V4L2_CTRL_TYPE_BUTTON && (query.flags & V4L2_CTRL_FLAG_WRITE_ONLY) == 0
        && (query.flags & V4L2_CTRL_FLAG_DISABLED) == 0;
}

CameraMenuItem menuItemFromQuery(const v4l2_querymenu &item, CameraControlType type)
{
    CameraMenuItem menuItem;
    menuItem.index = static_cast<int>(item.index);
    menuItem.text = type == CameraControlType::IntegerMenu
        ? QString::number(static_cast<qint64>(item.value))
        : driverText(item.name, sizeof item.name);
    return menuItem;
}

V4l2ControlSource::V4l2ControlSource(const QString &devicePath)
{
    fd = ::open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        DiagnosticLog(QStringLiteral("Cannot open %1 for its controls: %2")
                          .arg(devicePath, QString::fromLocal8Bit(std::strerror(errno))));
}

V4l2ControlSource::~V4l2ControlSource()
{
    if (fd >= 0)
        ::close(fd);
}

std::vector<CameraControl> V4l2ControlSource::listControls()
{
    std::vector<CameraControl> controls;
    if (fd < 0)
        return controls;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    quint32 previousId = 0;
    for (int count = 0; count < maximumControls; ++count) {
        if (retryIoctl(fd, VIDIOC_QUERYCTRL, &query) != 0)
            break;
        if (query.id <= previousId)
            break;
        previousId = query.id;
        if (auto control = controlFromQuery(query)) {
            if (hasReadableValue(query)) {
                v4l2_control current{};
                current.id = query.id;
                if (retryIoctl(fd, VIDIOC_G_CTRL, &current) == 0)
                    control->value = current.value;
            }
            if (control->type == CameraControlType::Menu || control->type == CameraControlType::IntegerMenu)
                readMenuItems(*control);
            controls.push_back(std::move(*control));
        }
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    return controls;
}

void V4l2ControlSource::readMenuItems(CameraControl &control)
{
    if (control.minimum < 0 || qint64(control.maximum) - control.minimum >= maximumMenuIndices)
        return;
    for (int index = control.minimum; index <= control.maximum; ++index) {
        v4l2_querymenu item{};
        item.id = control.id;
        item.index = static_cast<__u32>(index);
        // Menus may have holes: a driver refuses the indices it does not offer.
        if (retryIoctl(fd, VIDIOC_QUERYMENU, &item) == 0)
            control.menuItems.push_back(menuItemFromQuery(item, control.type));
    }
}

bool V4l2ControlSource::writeControl(quint32 id, int value)
{
    if (fd < 0)
        return false;
    v4l2_control control{};
    control.id = id;
    control.value = value;
    return retryIoctl(fd, VIDIOC_S_CTRL, &control) == 0;
}

std::optional<int> V4l2ControlSource::captureProperty(quint32 id) const
{
    return capturePropertyForV4l2Control(id);
}

std::unique_ptr<CameraControlSource> openCameraControlSource(int deviceIndex)
{
    return std::make_unique<V4l2ControlSource>(QStringLiteral("/dev/video%1").arg(deviceIndex));
}
