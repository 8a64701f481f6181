#pragma once
// The port name "sim": a simulated meter on a pseudo-terminal inside the program itself, opened
// through the same Qt serial device as a real port. The device owns its simulator: closing and
// destroying the port ends the meter.
//
//   platform::MSComm comm([&](const std::string& port) -> std::unique_ptr<platform::SerialDevice> {
//     if (port == "sim") return sim::OpenSimulatedPort(loop, options);
//     return platform::OpenQtSerialDevice(platform::PortPath(port));
//   });
#include <memory>

#include "platform/event_loop.h"
#include "platform/serial.h"
#include "sim/options.h"
#include "sim/pty_host.h"

namespace sim {

// The device behind "sim". When options.baud is 0 the line timing follows the speed of the
// settings the port is opened with, as a real line would.
class SimulatedPort : public platform::SerialDevice {
 public:
  SimulatedPort(platform::EventLoop& loop, const SimOptions& options);
  ~SimulatedPort() override;

  void open(const platform::LineSettings& settings) override;
  void close() override;
  bool isOpen() const override;
  void setRts(bool on) override;
  std::size_t bytesWaiting() override;
  std::string readAll() override;
  void write(std::string_view bytes) override;

  PtyHost& host() { return *host_; }

 private:
  std::unique_ptr<PtyHost> host_;  // declared first: destroyed after the port
  std::unique_ptr<platform::SerialDevice> port_;
  bool followBaud_;
};

// Starts the simulator (a PtyHost with a meter, and the modem front when options.modem) and
// returns the Qt serial device on its pseudo-terminal, not yet opened. Throws
// platform::PortError when no pseudo-terminal can be made.
std::unique_ptr<platform::SerialDevice> OpenSimulatedPort(platform::EventLoop& loop,
                                                          const SimOptions& options);

}  // namespace sim
