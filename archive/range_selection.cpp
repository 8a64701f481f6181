#include "archive/range_selection.h"

#include <algorithm>

#include "archive/engine.h"
#include "platform/errors.h"

namespace archive {
namespace {

constexpr int kBankSlots = 31;
constexpr int kWrappingBank = 3;
constexpr int kRingPositions = kRingEnd + 1;

int Bank(int month) { return (month - 1) % 4; }

// The day count, limited to what one pass of the ring can hold: more days read nothing more.
int DayCount(const std::string& text) {
  long long n = 0;
  try {
    n = platform::ParseInteger(text);
  } catch (const platform::ConversionError& e) {
    throw platform::ConversionError(std::string("Число дней: ") + e.what());
  }
  if (n < 0)
    throw platform::ConversionError("Число дней «" + text + "» не может быть отрицательным");
  return static_cast<int>(std::min<long long>(n, kRingPositions));
}

// Records from start up to (not including) end, going around the ring when end is not above
// start.
int RecordsBetween(int start, int end) {
  return end > start ? end - start : kRingPositions - start + end;
}

}  // namespace

std::uint16_t DaySlotStart(int month, int day) {
  return static_cast<std::uint16_t>((day - 1 + kBankSlots * Bank(month)) * kSlotRecords);
}

ArchiveRange IntervalRange(int month, int day, const std::string& dayCount) {
  const int n = DayCount(dayCount);
  ArchiveRange r;
  r.start = DaySlotStart(month, day);
  const int lastDay = day + n + 1;
  if (Bank(month) == kWrappingBank && lastDay > 30) {
    r.end = (lastDay - 29) * kSlotRecords;
    // Past its own start the read would pass over the ring a second time.
    if (r.end >= r.start) {
      r.end = r.start;
      r.shortened = true;
    }
  } else {
    r.end = r.start + (n + 1) * kSlotRecords;
    // Positions above 8000 are never reached: end where the ring wraps to 0.
    if (r.end > kRingEnd) {
      r.end = 0;
      r.shortened = true;
    }
  }
  r.records = RecordsBetween(r.start, r.end);
  return r;
}

ArchiveRange MonthsRange() {
  return {kMonthAreaStart, kMonthAreaEnd, kMonthAreaEnd - kMonthAreaStart, false};
}

}  // namespace archive
