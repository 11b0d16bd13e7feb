#include "camera/v4l2/v4l2_devices.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Owns one open device node.
class NodeHandle {
public:
    explicit NodeHandle(const std::string &path)
        // Queries need no write access; never block the GUI thread on a busy or sleeping device.
        : fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~NodeHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
    NodeHandle(const NodeHandle &) = delete;
    NodeHandle &operator=(const NodeHandle &) = delete;

    // Only character devices take V4L2 ioctls; anything else named videoN is skipped.
    bool isCharacterDevice() const
    {
        struct stat info {};
        return fd >= 0 && ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode);
    }

    bool control(unsigned long request, void *argument) const
    {
        int result;
        do {
            result = ::ioctl(fd, request, argument);
        } while (result < 0 && errno == EINTR);
        return result == 0;
    }

private:
    int fd;
};

std::string nodePath(const std::string &directory, int number)
{
    return directory + "/video" + std::to_string(number);
}

bool isVideoCapture(const v4l2_capability &capability)
{
    // device_caps describe this node alone; capabilities cover every node of the device,
    // so a UVC metadata node would pass on them.
    const std::uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) ? capability.device_caps
                                                                                : capability.capabilities;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

std::optional<ReportedRange> queryControl(const NodeHandle &node, std::uint32_t id)
{
    v4l2_queryctrl control {};
    control.id = id;
    if (!node.control(VIDIOC_QUERYCTRL, &control))
        return std::nullopt;
    return rangeFromQueryCtrl(control);
}

} // namespace

std::optional<int> videoNodeNumber(const std::string &entryName)
{
    static const std::string prefix = "video";
    if (entryName.size() <= prefix.size() || entryName.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const std::string digits = entryName.substr(prefix.size());
    if (digits.size() > 9 || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoi(digits);
}

std::string cleanCardName(const char *card, std::size_t fieldSize)
{
    const std::string text(card, strnlen(card, fieldSize));
    // The kernel cuts the card at the field's size, so a long doubled name ends in a shortened copy.
    const bool cut = text.size() + 1 >= fieldSize;
    for (std::size_t split = text.find(": "); split != std::string::npos; split = text.find(": ", split + 1)) {
        const std::string first = text.substr(0, split);
        const std::string second = text.substr(split + 2);
        if (first.empty() || second.empty())
            continue;
        if (first == second || (cut && second.size() < first.size() && first.compare(0, second.size(), second) == 0))
            return first;
    }
    return text;
}

std::optional<ReportedRange> rangeFromQueryCtrl(const v4l2_queryctrl &control)
{
    if (control.flags & V4L2_CTRL_FLAG_DISABLED)
        return std::nullopt;
    return ReportedRange{control.minimum, control.maximum, control.default_value};
}

std::vector<V4l2CaptureNode> listV4l2CaptureNodes(const std::string &directory)
{
    std::vector<int> numbers;
    if (DIR *dir = ::opendir(directory.c_str())) {
        while (const dirent *entry = ::readdir(dir)) {
            if (const std::optional<int> number = videoNodeNumber(entry->d_name))
                numbers.push_back(*number);
        }
        ::closedir(dir);
    }
    std::sort(numbers.begin(), numbers.end());

    std::vector<V4l2CaptureNode> nodes;
    for (int number : numbers) {
        const NodeHandle node(nodePath(directory, number));
        v4l2_capability capability {};
        if (!node.isCharacterDevice() || !node.control(VIDIOC_QUERYCAP, &capability) || !isVideoCapture(capability))
            continue;
        const auto *bus = reinterpret_cast<const char *>(capability.bus_info);
        nodes.push_back({number, cleanCardName(reinterpret_cast<const char *>(capability.card), sizeof capability.card),
                         std::string(bus, strnlen(bus, sizeof capability.bus_info))});
    }
    return nodes;
}

std::optional<ReportedRanges> queryV4l2ControlRanges(int number, const std::string &directory)
{
    const NodeHandle node(nodePath(directory, number));
    if (!node.isCharacterDevice())
        return std::nullopt;
    ReportedRanges ranges;
    ranges.brightness = queryControl(node, V4L2_CID_BRIGHTNESS);
    ranges.focus = queryControl(node, V4L2_CID_FOCUS_ABSOLUTE);
    ranges.gain = queryControl(node, V4L2_CID_GAIN);
    ranges.exposure = queryControl(node, V4L2_CID_EXPOSURE_ABSOLUTE);
    return ranges;
}
