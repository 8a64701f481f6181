#pragma once
// Dates and times as day counts: days since 30 December 1899, the fraction being the time of
// day. This is the form every time stamp of the programs takes.
#include <cstdint>

namespace platform {

struct DateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, msec = 0;
};

double EncodeDateTime(const DateTime& t);
DateTime DecodeDateTime(double dayCount);

// The local date and time of the system clock, as a day count.
double SystemNow();

}  // namespace platform
