#pragma once
// The live monitor's poll state: one instance for the whole run of the program.
#include <array>
#include <cstdint>

namespace monitor {

// Values polled per cycle, numbered 0 to 11; the request's command is the number's hex digit.
constexpr int kValueCount = 12;

struct PollState {
  std::uint8_t DeviceAddress = 0;  // the meter's address, set at Start
  std::uint8_t PollIndex = 0;      // number of the value last requested
  int ReplyPending = 0;            // 1 from a request's sending until a good reply is stored
  int PointCode1 = 0;  // position of the comma in channel 1's current-flow reply, less 3
  int PointCode2 = 0;  // the same for channel 2
  std::array<double, kValueCount> PollValues{};  // the value last read for each number
};

}  // namespace monitor
