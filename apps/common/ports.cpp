#include "apps/common/ports.h"

#include "platform/qt/port_list.h"
#include "platform/qt/qt_serial.h"
#include "platform/trace.h"
#include "sim/sim_port.h"

namespace app {
namespace {

platform::DeviceFactory OpenPorts(platform::EventLoop& loop, bool modemFront) {
  return [&loop, modemFront](const std::string& port) {
    if (port == kSimPort) {
      sim::SimOptions options;
      options.modem = modemFront;
      return sim::OpenSimulatedPort(loop, options);
    }
    return platform::OpenQtSerialDevice(platform::PortPath(port));
  };
}

}  // namespace

platform::DeviceFactory ProgramPorts(platform::EventLoop& loop, bool modemFront,
                                     const std::string& traceFile) {
  return platform::TraceToFile(OpenPorts(loop, modemFront), traceFile);
}

std::vector<std::string> PortItems(std::vector<std::string> numbers) {
  for (auto& device : platform::SerialDevicesFound()) numbers.push_back(std::move(device));
  numbers.push_back(kSimPort);
  return numbers;
}

}  // namespace app
