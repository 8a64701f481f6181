#pragma once
// The simulated two-channel meter: it frames the bytes it receives into ASCII requests
// ("#", two hex address digits, command character, two hex checksum digits, CR) and 11-byte
// binary requests, and answers them from its own memory after its reply latency, damaging
// replies as its fault options say. It knows no transport: bytes come in through receive()
// and go out through `send`.
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "sim/memory.h"
#include "sim/options.h"

namespace sim {

// What the meter did, for tests.
struct MeterCounters {
  long asciiRequests = 0;   // well-formed ASCII requests for this meter
  long binaryRequests = 0;  // well-formed binary requests for this meter
  long ignored = 0;         // well-formed requests left unanswered: another address, console
                            // mode gating, unknown command
  long badChecksums = 0;    // request-shaped frames whose checksum did not hold
  long noiseBytes = 0;      // bytes that belonged to no request
  long replies = 0;         // replies put out (damaged ones included)
  long dropped = 0, late = 0, corrupted = 0, partial = 0, surplus = 0, silenced = 0;
};

class Meter {
 public:
  // A memory generated from options.seed and options.memoryNow (default: loop.now()).
  Meter(platform::EventLoop& loop, const SimOptions& options = {});
  ~Meter();
  Meter(const Meter&) = delete;
  Meter& operator=(const Meter&) = delete;

  // Bytes from the line, as they arrive: one at a time or in any pieces.
  void receive(std::string_view bytes);
  // Where replies go.
  std::function<void(const std::string& bytes)> send;

  // --- State ---
  bool consoleMode() const { return console_; }
  void setConsoleMode(bool on) { console_ = on; }
  bool channel2Fault() const { return ch2Fault_; }
  void setChannel2Fault(bool fault) { ch2Fault_ = fault; }
  void setFaults(const FaultOptions& faults) { options_.faults = faults; }
  void setLatencyMs(int ms) { options_.latencyMs = ms; }
  const SimOptions& options() const { return options_; }
  const MeterCounters& counters() const { return counters_; }

  // --- Memory ---
  const MeterMemory& memory() const { return memory_; }
  // Replaces the whole memory (a loaded file).
  void setMemory(MeterMemory memory);
  const Flow& flow() const { return *flow_; }

  // The meter's clock as a day count, and packed (YYMMDDhhmm).
  double clockNow() const;
  std::uint32_t clockPacked() const;
  // Sets the clock from a packed value, as command 0 does.
  void setClockPacked(std::uint32_t packed);

  // The value a binary request would get (commands 1, 5, 6, 8; 0 for other records).
  std::uint32_t recordValue(std::uint8_t command, std::uint16_t position) const;
  std::uint32_t parameterBits(int position) const;
  float parameter(int position) const;
  std::uint32_t archiveWord(int position) const;
  std::string gsmSettings() const { return memory_.gsm; }

  // The seven-character value text of an ASCII value request 0..11 at the meter's clock.
  std::string asciiValueText(int number) const;
  // The whole '>' reply of a value request: ">", the value text, two hex digits of the sum of
  // the first eight characters, CR (11 characters).
  std::string asciiReply(int number) const;

 private:
  void frame();
  void onAscii(std::uint8_t address, char command);
  void onBinary(const std::string& request);
  bool forMe(std::uint8_t address) const;
  void reply(std::string bytes, bool binary);
  bool chance(double probability);

  platform::EventLoop& loop_;
  SimOptions options_;
  MeterMemory memory_;
  std::unique_ptr<Flow> flow_;
  bool console_ = false;
  bool ch2Fault_ = false;
  std::string in_;
  std::int64_t lastByteMs_ = 0;
  MeterCounters counters_;
  std::mt19937_64 rng_;
  std::set<platform::TaskId> pending_;
};

}  // namespace sim
