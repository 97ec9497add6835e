#pragma once
// How the port name "COM" n finds a serial device. On Windows the name is the device. Elsewhere
// a link COM<n> in the user's port folder ($XDG_CONFIG_HOME/quendar/ports, by default
// ~/.config/quendar/ports) names the device; without one, n counts through the serial ports the
// system lists, USB adapters first.

#include "device/serial_port.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quendar {

/// Lowest and highest n the port dialog accepts.
inline constexpr int kFirstComNumber = 1;
inline constexpr int kLastComNumber = 99;

/// A serial device as the system lists it.
struct SerialDevice {
    std::string name;        ///< short name, e.g. "ttyUSB0" or "COM3"
    std::string location;    ///< what opens it, e.g. "/dev/ttyUSB0" or "COM3"
    std::string description; ///< the system's description, may be empty (UTF-8)
};

/// True if `a` sorts before `b` with runs of digits compared by value ("ttyUSB2" < "ttyUSB10").
[[nodiscard]] bool naturalLess(std::string_view a, std::string_view b);

/// Puts USB serial devices (ttyUSB, ttyACM) first and the rest after them, each group in natural
/// name order: the order in which n counts through them.
void orderSerialDevices(std::vector<SerialDevice>& devices);

/// The folder of the user's COM<n> links; empty when neither XDG_CONFIG_HOME nor HOME is set.
[[nodiscard]] std::filesystem::path portLinkFolder();

/// The device "COM" n stands for, given the link folder and the devices in COM order: the link's
/// resolved target if the link exists (empty if it leads nowhere), else the n-th device, else
/// empty. Windows always gives "COM" n.
[[nodiscard]] std::string deviceForComNumber(int n, const std::filesystem::path& linkFolder,
                                             const std::vector<SerialDevice>& devices);

/// The serial devices the system lists now, in COM order.
[[nodiscard]] std::vector<SerialDevice> systemSerialDevices();

/// The device "COM" n stands for on this system now; empty when there is none.
[[nodiscard]] std::string deviceForComNumber(int n);

/// Every n from 1 to 99 that reaches a device, with that device, for the port dialog.
[[nodiscard]] std::vector<PortDescription>
describeComPorts(const std::filesystem::path& linkFolder, const std::vector<SerialDevice>& devices);

} // namespace quendar
