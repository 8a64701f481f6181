#pragma once
// Serial devices of the programs: real ports and pseudo-terminals through Qt SerialPort.
#include <memory>
#include <string>

#include "platform/serial.h"

namespace platform {

// The device at a path (/dev/ttyS0, /dev/ttyUSB0, /dev/pts/5).
std::unique_ptr<SerialDevice> OpenQtSerialDevice(const std::string& path);

}  // namespace platform
