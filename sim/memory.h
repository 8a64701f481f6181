#pragma once
// The simulated meter's memory: its parameters, archive, GSM settings and clock offset, and the
// flow model behind its live values and archive counters. Everything is generated from a seed
// and a moment, so the same two give the same memory.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace sim {

// --- Packed clock: yy*100000000 + MM*1000000 + dd*10000 + hh*100 + mm, yy = year - 2000 ---
std::uint32_t PackClock(const platform::DateTime& t);
platform::DateTime UnpackClock(std::uint32_t packed);  // no range checks

// --- Memory layout ---
constexpr int kParamCount = 200;           // parameter records 0..199 (command 5)
constexpr int kArchiveWords = 12800;       // archive records 0..12799 (command 6)
constexpr int kGsmFirst = 3900;            // GSM settings characters 3900..3939 (commands 7, 8)
constexpr int kGsmCount = 40;
constexpr int kSlotWords = 64;
constexpr int kMonthSlotFirst = 130;       // month slots 130..148
constexpr int kMonthSlotCount = 19;
constexpr std::uint32_t kErased = 0xFFFFFFFFu;  // an archive word never written

// First record of the day slot of a date: (day - 1 + 31 * ((month - 1) mod 4)) * 64.
int DaySlotPosition(int month, int day);
// First record of the month slot that holds the months of a year, and the first record of a
// month's entry (stamp, counter 1, counter 2, T1, T2) inside it.
int MonthSlotPosition(int year);
int MonthEntryPosition(int year, int month);

// Parameter positions of channel 1; channel 2's are 100 higher.
namespace param {
constexpr int Correction = 25, CableLength = 26, Averaging = 27, CutOff = 28, Ld = 29, D = 30,
              Qmax = 31, TimeShift = 51, PulseWeight = 57, T1 = 60, T2 = 61;
}  // namespace param

// The flow model: what each channel's counter and operating time read at any hour.
struct FlowParams {
  std::uint64_t seed = 1;
  std::int64_t startHour = 0;                  // hours since 30 December 1899 00:00
  std::array<std::uint32_t, 2> counterBase{};  // raw counter readings at startHour
  std::array<std::uint32_t, 2> timeBase{};     // operating times at startHour, in 0.01 h
  std::array<double, 2> meanFlow{};            // m3/h
  std::array<int, 2> pointCode{3, 2};          // counter resolution: 1 0.001, 2 0.01, 3 0.1, 4 1, 5 10
};

class Flow {
 public:
  explicit Flow(FlowParams p);
  const FlowParams& params() const { return p_; }

  // Mean flow of a channel (0 or 1) during an hour (hours since 30 December 1899), m3/h.
  double hourlyFlow(int ch, std::int64_t hour) const;
  // Raw counter reading and operating time (0.01 h) at the start of an hour.
  std::uint32_t counterAt(int ch, std::int64_t hour) const;
  std::uint32_t operatingTimeAt(int ch, std::int64_t hour) const;
  // The same at any moment (a day count), rising within the hour.
  std::uint32_t counter(int ch, double days) const;
  std::uint32_t operatingTime(int ch, double days) const;
  // The current flow at a moment, m3/h: the hour's flow with a ripple that moves by the second.
  double currentFlow(int ch, double days) const;

  // Counter units in m3 for a point code.
  static double Resolution(int pointCode);

 private:
  bool outage(int ch, std::int64_t hour) const;
  void extendTo(std::int64_t hour) const;
  FlowParams p_;
  // Cumulative readings from startHour on, grown on demand.
  mutable std::array<std::vector<std::uint32_t>, 2> counters_, times_;
};

struct MeterMemory {
  std::array<std::uint32_t, kParamCount> params{};  // single-precision bit patterns
  std::vector<std::uint32_t> archive = std::vector<std::uint32_t>(kArchiveWords, kErased);
  std::string gsm = std::string(kGsmCount, ' ');     // one byte per character
  double clockOffsetDays = 0;  // the meter's clock minus the host's wall clock
  FlowParams flow;
};

// The memory of a meter whose archive ends at `now` (a day count): parameters of both
// channels, day slots of the last four months in their banks (later hours of today read 0),
// month entries of the last 24 months, GSM settings "1+<number>+<number>+<number>".
MeterMemory GenerateMemory(std::uint64_t seed, double now);

}  // namespace sim
