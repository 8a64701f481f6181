#pragma once
// An in-memory serial line on virtual time: the program's port at one end, a peer (the
// simulated meter, a test) at the other. Each byte takes the line's byte time (10 bits at the
// baud rate of the port's settings) to cross, in both directions.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/serial.h"
#include "platform/virtual/virtual_loop.h"

namespace platform {

class MemoryLine {
 public:
  explicit MemoryLine(VirtualLoop& loop);
  ~MemoryLine();

  // The program's side: a factory for MSComm that hands out this line's device for any port
  // text (port texts are still checked as the real factory checks them).
  DeviceFactory factory();

  // The peer's side: bytes written by the program arrive here after the line delay.
  std::function<void(const std::string& bytes)> onPeerReceives;
  // The peer sends bytes to the program; they arrive after the line delay.
  void peerSend(const std::string& bytes);

  // Everything the program wrote, in order, and each write separately.
  const std::string& written() const { return written_; }
  const std::vector<std::string>& writes() const { return writes_; }
  void clearWritten();

  // Microseconds per byte; by default taken from the port's baud rate when it opens.
  void setByteTimeUs(std::int64_t us) { fixedByteUs_ = us; }
  std::int64_t byteTimeUs() const;
  bool portOpen() const;
  bool rtsOn() const { return rts_; }
  const LineSettings& settings() const { return settings_; }
  // Simulates the device vanishing (a USB adapter pulled out).
  void pull();

 private:
  class Device;
  friend class Device;
  VirtualLoop& loop_;
  Device* device_ = nullptr;
  std::string written_;
  std::vector<std::string> writes_;
  std::string toProgram_;  // bytes delivered to the program's buffer
  std::int64_t fixedByteUs_ = -1;
  std::int64_t hostFreeUs_ = 0, peerFreeUs_ = 0;  // when each direction's line is free again
  LineSettings settings_;
  bool rts_ = false;
};

}  // namespace platform
