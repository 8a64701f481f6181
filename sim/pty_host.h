#pragma once
// The simulated meter (and optional modem front) on a pseudo-terminal: programs open path()
// as they would open a serial port. The host watches the master side with the event loop,
// feeds what arrives to the meter and writes its replies back. With a baud rate the host
// paces both directions as the line would (10 bits per byte): request bytes reach the meter
// no earlier than they would have crossed the line, reply bytes leave no earlier than the
// line would carry them, each request and each reply whole at the moment its last byte would
// have arrived. Nothing spins: every wait is a descriptor watch or a scheduled call.
// As with a real port, what the meter sent while no program had the terminal open is gone
// when a program opens it.
#include <memory>
#include <string>

#include "platform/event_loop.h"
#include "sim/meter.h"
#include "sim/modem.h"
#include "sim/options.h"

namespace sim {

class PtyHost {
 public:
  // Creates the pseudo-terminal and the meter (options.memoryFile, when given, is loaded).
  // Throws platform::PortError when no pseudo-terminal can be made, platform::FileError when
  // the memory file cannot be read.
  PtyHost(platform::EventLoop& loop, const SimOptions& options);
  ~PtyHost();
  PtyHost(const PtyHost&) = delete;
  PtyHost& operator=(const PtyHost&) = delete;

  // The slave's device path, such as /dev/pts/5.
  const std::string& path() const { return path_; }
  Meter& meter() { return *meter_; }
  Modem* modem() { return modem_.get(); }  // null without options.modem

  // Line timing: 0 replies at once.
  void setBaud(int baud);
  int baud() const { return baud_; }

 private:
  class Pacer;
  void onReadable();
  void onSlaveEvent();
  void writeMaster(const std::string& bytes);
  void flushOut();

  platform::EventLoop& loop_;
  int master_ = -1, slave_ = -1, notify_ = -1;
  std::string path_;
  int baud_ = 0;
  platform::TaskId watch_ = 0, retry_ = 0, notifyWatch_ = 0;
  int retryMs_ = 0;
  int programOpens_ = 0;  // descriptors of the slave that programs hold open
  std::string outBuf_;
  std::unique_ptr<Meter> meter_;
  std::unique_ptr<Modem> modem_;
  std::unique_ptr<Pacer> in_, out_;
};

}  // namespace sim
