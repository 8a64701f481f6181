#pragma once
// The traffic trace: every byte a program sends and receives on its serial port, written to a
// file as timestamped hexadecimal lines, with a line for each open, close and error of the
// port. Tracing changes nothing on the line: the traced device passes every byte through as it
// is.
//
//   2009-08-15 14:05:00.000 open /dev/ttyUSB0 115200,N,8,1
//   2009-08-15 14:05:00.012 > 23 00 03 00 00 00 00 00 00 33 0D
//   2009-08-15 14:05:00.031 < 3E 00 03 00 00 00 00 00 00 4E 0D
//   2009-08-15 14:05:01.500 close /dev/ttyUSB0
//   2009-08-15 14:05:02.000 error /dev/ttyS7: Не удалось открыть порт /dev/ttyS7: ...
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/serial.h"

namespace platform {

class TraceLog {
 public:
  // The local date and time of a line, as a day count.
  using Clock = std::function<double()>;

  // Creates the file, emptying one that exists; a FileError names the file and the cause.
  explicit TraceLog(const std::string& path, Clock clock = SystemNow);

  void opened(const std::string& port, const LineSettings& settings);
  void closed(const std::string& port);
  void failed(const std::string& port, const std::string& message);
  void sent(std::string_view bytes);
  void received(std::string_view bytes);

 private:
  // One line, stamped and flushed at once so that a crash keeps everything before it. A line
  // that cannot be written is lost; the program's work goes on.
  void line(const std::string& text);

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
  Clock clock_;
};

// The device `inner` with its traffic and its open, close, failures and loss traced under the
// name `port`.
std::unique_ptr<SerialDevice> TraceDevice(std::unique_ptr<SerialDevice> inner,
                                          std::shared_ptr<TraceLog> log, std::string port);

// A factory whose devices are traced; a port the inner factory refuses is traced as an error.
// A port text that stands for a device path (a number) is traced under that path.
DeviceFactory TracingFactory(DeviceFactory inner, std::shared_ptr<TraceLog> log);

// The programs' --trace option: `inner` itself when `traceFile` is empty, else the tracing
// factory over a new trace file (a FileError when it cannot be created).
DeviceFactory TraceToFile(DeviceFactory inner, const std::string& traceFile);

}  // namespace platform
