#include "platform/clock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace platform {
namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr std::int64_t kEpochOffsetDays = 25569;  // 1899-12-30 to 1970-01-01
constexpr double kMsPerDay = 86400000.0;

}  // namespace

double EncodeDateTime(const DateTime& t) {
  const std::int64_t days = DaysFromCivil(t.year, static_cast<unsigned>(t.month),
                                          static_cast<unsigned>(t.day)) + kEpochOffsetDays;
  const double ms = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.msec;
  return static_cast<double>(days) + ms / kMsPerDay;
}

DateTime DecodeDateTime(double dayCount) {
  // Round to whole milliseconds first so that 14:05:00 never decodes as 14:04:59.999.
  const auto totalMs = static_cast<std::int64_t>(std::llround(dayCount * kMsPerDay));
  std::int64_t days = totalMs / 86400000;
  std::int64_t ms = totalMs % 86400000;
  if (ms < 0) { ms += 86400000; --days; }
  DateTime t;
  CivilFromDays(days - kEpochOffsetDays, t.year, t.month, t.day);
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.msec = static_cast<int>(ms % 1000);
  return t;
}

double SystemNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t secs = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&secs, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      now.time_since_epoch()).count() % 1000;
  return EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec, static_cast<int>(ms)});
}

}  // namespace platform
