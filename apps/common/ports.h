#pragma once
// The ports the programs open: a number 1 to 9 (/dev/ttyS0 to /dev/ttyS8), a device path, or
// "sim", the built-in simulated meter (behind a simulated modem in arcgsm).
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/serial.h"

namespace app {

constexpr const char* kSimPort = "sim";

// The ports of a program; with a trace file, every byte on the line and every open, close and
// error is written there (a file that cannot be created is a FileError).
platform::DeviceFactory ProgramPorts(platform::EventLoop& loop, bool modemFront,
                                     const std::string& traceFile = {});

// The port list: the given numbers, the serial devices found on the machine, and "sim".
std::vector<std::string> PortItems(std::vector<std::string> numbers);

}  // namespace app
