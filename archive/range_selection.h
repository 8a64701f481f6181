#pragma once
// The records an archive read of arcgsm covers: a picked day and the days after it, or the
// monthly area. The day slots (64 records a day) form four month banks of 31 slots; a month
// uses bank (month - 1) mod 4. The ring of the archive holds positions 0 to 8000: a read that
// goes past 8000 continues at 0 (the engine's ring wrap).
#include <cstdint>
#include <string>

namespace archive {

constexpr int kSlotRecords = 64;
constexpr std::uint16_t kMonthAreaStart = 8256;
constexpr std::int32_t kMonthAreaEnd = 9344;  // one past the last record of the monthly area

// One archive read for the engine: it starts at `start` and completes when the position,
// advanced and wrapped, equals `end`.
struct ArchiveRange {
  std::uint16_t start = 0;
  std::int32_t end = 0;
  int records = 0;         // records the read takes: the gauge's maximum
  bool shortened = false;  // fewer days than asked for: the interval reached past the ring
};

// First record of the day slot of a month (1..12) and a day (1..31).
std::uint16_t DaySlotStart(int month, int day);

// The read of the picked day and the `dayCount` days after it (the text of the day count
// list). The count must be a whole number, 0 or more, else a ConversionError ends the
// operation before anything is sent. An interval that would run past position 8000 stops at
// the end of the ring; one of the fourth bank (months 4, 8, 12) goes around the ring (after
// its day 30 come the first days of bank 0) and at most once.
ArchiveRange IntervalRange(int month, int day, const std::string& dayCount);

// The read by months: the monthly area, 8256 to 9343, without the ring wrap.
ArchiveRange MonthsRange();

// Status text of a read whose interval was shortened.
inline constexpr const char* kIntervalShortened = "Интервал сокращён до конца архива";

}  // namespace archive
