#include "device/port_names.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <system_error>

namespace quendar {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isUsbSerial(const SerialDevice& device) {
    return device.name.starts_with("ttyUSB") || device.name.starts_with("ttyACM");
}

std::string comName(int n) {
    return "COM" + std::to_string(n);
}

#ifndef _WIN32
// The device behind a COM<n> link, every symlink resolved (the serial layer wants the real device
// node); an empty text when the link leads nowhere, nullopt when there is no link at all.
std::optional<std::string> linkTarget(const std::filesystem::path& link) {
    std::error_code error;
    const auto type = std::filesystem::symlink_status(link, error).type();
    if (error || type == std::filesystem::file_type::not_found) {
        return std::nullopt;
    }
    const std::filesystem::path target = std::filesystem::canonical(link, error);
    return error ? std::string() : target.string();
}
#endif

} // namespace

bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Compare the two digit runs by value: drop leading zeros, then the longer is larger.
            std::size_t ai = i;
            std::size_t bj = j;
            while (ai < a.size() && a[ai] == '0') {
                ++ai;
            }
            while (bj < b.size() && b[bj] == '0') {
                ++bj;
            }
            std::size_t aEnd = ai;
            std::size_t bEnd = bj;
            while (aEnd < a.size() && isDigit(a[aEnd])) {
                ++aEnd;
            }
            while (bEnd < b.size() && isDigit(b[bEnd])) {
                ++bEnd;
            }
            if (aEnd - ai != bEnd - bj) {
                return aEnd - ai < bEnd - bj;
            }
            const int order = a.substr(ai, aEnd - ai).compare(b.substr(bj, bEnd - bj));
            if (order != 0) {
                return order < 0;
            }
            i = aEnd;
            j = bEnd;
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    if (i == a.size() && j == b.size()) {
        return a < b; // equal by value ("tty01" and "tty1"): fall back to the plain order
    }
    return i == a.size();
}

void orderSerialDevices(std::vector<SerialDevice>& devices) {
    std::stable_sort(devices.begin(), devices.end(),
                     [](const SerialDevice& a, const SerialDevice& b) {
                         const bool usbA = isUsbSerial(a);
                         const bool usbB = isUsbSerial(b);
                         if (usbA != usbB) {
                             return usbA;
                         }
                         return naturalLess(a.name, b.name);
                     });
}

std::filesystem::path portLinkFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config == '/') {
        return std::filesystem::path(config) / "quendar" / "ports";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".config" / "quendar" / "ports";
    }
    return {};
}

std::string deviceForComNumber(int n, const std::filesystem::path& linkFolder,
                               const std::vector<SerialDevice>& devices) {
#ifdef _WIN32
    (void)linkFolder;
    (void)devices;
    return comName(n);
#else
    if (!linkFolder.empty()) {
        if (std::optional<std::string> target = linkTarget(linkFolder / comName(n))) {
            return *target;
        }
    }
    if (n >= 1 && static_cast<std::size_t>(n) <= devices.size()) {
        return devices[static_cast<std::size_t>(n) - 1].location;
    }
    return {};
#endif
}

std::vector<SerialDevice> systemSerialDevices() {
    std::vector<SerialDevice> devices;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        QString description = info.description();
        if (description.isEmpty()) {
            description = info.manufacturer();
        }
#ifdef _WIN32
        const QString location = info.portName();
#else
        const QString location = info.systemLocation();
#endif
        devices.push_back(
            {info.portName().toStdString(), location.toStdString(), description.toStdString()});
    }
    orderSerialDevices(devices);
    return devices;
}

std::string deviceForComNumber(int n) {
#ifdef _WIN32
    return comName(n);
#else
    return deviceForComNumber(n, portLinkFolder(), systemSerialDevices());
#endif
}

std::vector<PortDescription> describeComPorts(const std::filesystem::path& linkFolder,
                                              const std::vector<SerialDevice>& devices) {
    std::vector<PortDescription> ports;
#ifdef _WIN32
    (void)linkFolder;
    for (const SerialDevice& device : devices) {
        const std::string_view name = device.name;
        if (name.size() > 3 && name.starts_with("COM")) {
            const int n = std::atoi(device.name.c_str() + 3);
            if (n >= kFirstComNumber && n <= kLastComNumber) {
                ports.push_back({n, device.name, device.description});
            }
        }
    }
    std::sort(ports.begin(), ports.end(), [](const PortDescription& a, const PortDescription& b) {
        return a.comNumber < b.comNumber;
    });
#else
    for (int n = kFirstComNumber; n <= kLastComNumber; ++n) {
        const std::string location = deviceForComNumber(n, linkFolder, devices);
        if (location.empty()) {
            continue;
        }
        const auto listed =
            std::find_if(devices.begin(), devices.end(),
                         [&](const SerialDevice& d) { return d.location == location; });
        ports.push_back({n, location, listed != devices.end() ? listed->description : ""});
    }
#endif
    return ports;
}

} // namespace quendar
