#pragma once
// The serial devices that the port list offers beside the numbers 1 to 9, which stand for
// /dev/ttyS0 to /dev/ttyS8.
#include <string>
#include <vector>

namespace platform {

// The device paths of the serial ports found on this machine, as the port list shows them;
// a port this program cannot open now carries a note: "/dev/ttyUSB0 (занят или нет доступа)".
std::vector<std::string> SerialDevicesFound();

// The note for a device this program cannot open now (held by another program, its lock file
// taken, or no permission); empty when it can be opened.
std::string UnavailableNote(const std::string& path);

// The port list's share of `paths`: without the devices a number stands for, sorted by name,
// the numbers in names in numeric order (/dev/ttyS9 before /dev/ttyS10).
std::vector<std::string> PortListDevices(std::vector<std::string> paths);

}  // namespace platform
