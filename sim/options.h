#pragma once
// What a simulated meter (and its optional modem front) is told when it is made. One set of
// options serves every way of running it: in-process on virtual time (SimulatedLine), over a
// pseudo-terminal (PtyHost, the port name "sim", the tm517sim program).
#include <cstdint>
#include <optional>
#include <string>

#include "platform/clock.h"

namespace sim {

// Damage the meter does to its own replies, drawn from a generator seeded by SimOptions::seed,
// so that the same seed and the same requests give the same faults. Probabilities are 0 to 1
// and are tested for every reply in the order listed.
struct FaultOptions {
  long silentAfter = -1;           // after this many replies the meter answers nothing (-1: never)
  double dropProbability = 0;      // the reply is not sent at all
  double lateProbability = 0;      // the reply goes out lateMs later than it would
  int lateMs = 0;
  double corruptProbability = 0;   // the reply's checksum is wrong
  double partialProbability = 0;   // only the first 6 bytes of the reply go out
  double surplusProbability = 0;   // 2 more bytes follow the reply (not with a partial one)

  bool any() const {
    return silentAfter >= 0 || dropProbability > 0 || lateProbability > 0 ||
           corruptProbability > 0 || partialProbability > 0 || surplusProbability > 0;
  }
};

// The modem front (in front of the meter, as the far end of a GSM data call).
struct ModemOptions {
  int connectDelayMs = 0;               // from the dial line to the dial reply
  std::string dialReply = "CONNECT 9600";  // anything not beginning with CONNECT fails the call
  int escapeGuardMs = 1000;             // "+++" counts once the line stays quiet this long after it
};

struct SimOptions {
  int address = -1;         // the meter's own address 0..255; -1 answers every address
  int latencyMs = 0;        // from the last byte of a request to the first byte of the reply
  // Line timing of a pseudo-terminal host: 10 bits per byte at this rate in both directions.
  // 0: no line timing, except that the port name "sim" then follows the opened port's speed.
  // SimulatedLine: >0 fixes the in-memory line's byte time; 0 leaves it to the port's speed.
  int baud = 0;
  std::uint64_t seed = 1;   // memory contents, live values and faults all follow from it
  // The moment the generated memory ends at (its last archive hour); default: the loop's
  // wall clock when the meter is made.
  std::optional<platform::DateTime> memoryNow;
  FaultOptions faults;
  bool channel2Fault = false;  // channel 2 reports the fault state
  bool modem = false;          // put the modem front before the meter
  ModemOptions modemOptions;
  std::string memoryFile;      // pseudo-terminal hosts only: load the memory from this file
};

}  // namespace sim
