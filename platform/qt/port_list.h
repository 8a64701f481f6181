#pragma once
// The serial devices that the port list offers beside the numbers 1 to 9, which stand for
// /dev/ttyS0 to /dev/ttyS8.
#include <string>
#include <vector>

namespace platform {

// The device paths of the serial ports found on this machine, as the port list shows them.
std::vector<std::string> SerialDevicesFound();

// The port list's share of `paths`: without the devices a number stands for, sorted by name,
// the numbers in names in numeric order (/dev/ttyS9 before /dev/ttyS10).
std::vector<std::string> PortListDevices(std::vector<std::string> paths);

}  // namespace platform
