#pragma once
// The simulated meter on an in-memory line on virtual time, ready for a program's MSComm:
//
//   platform::VirtualLoop loop;
//   sim::SimulatedLine line(loop);            // or (loop, options) with options.modem = true
//   platform::MSComm comm(line.factory());    // any port text works, "sim" included
//
// The line carries bytes at the port's speed (10 bits per byte) unless options.baud fixes it.
#include <memory>

#include "platform/serial.h"
#include "platform/virtual/memory_line.h"
#include "platform/virtual/virtual_loop.h"
#include "sim/meter.h"
#include "sim/modem.h"
#include "sim/options.h"

namespace sim {

class SimulatedLine {
 public:
  explicit SimulatedLine(platform::VirtualLoop& loop, const SimOptions& options = {});
  ~SimulatedLine();
  SimulatedLine(const SimulatedLine&) = delete;
  SimulatedLine& operator=(const SimulatedLine&) = delete;

  // The device factory for MSComm: the program's end of the line, whatever the port text.
  platform::DeviceFactory factory() { return line_.factory(); }

  Meter& meter() { return *meter_; }
  Modem* modem() { return modem_.get(); }  // null without options.modem
  platform::MemoryLine& line() { return line_; }
  platform::VirtualLoop& loop() { return loop_; }

 private:
  platform::VirtualLoop& loop_;
  platform::MemoryLine line_;
  std::unique_ptr<Meter> meter_;
  std::unique_ptr<Modem> modem_;
};

}  // namespace sim
