#include "archive/device_clock.h"

namespace archive {
namespace {

std::string TwoDigits(std::uint32_t v) {
  return (v <= 9 ? "0" : "") + std::to_string(v);
}

}  // namespace

std::uint32_t PackClock(const platform::DateTime& t) {
  std::uint32_t year = static_cast<std::uint32_t>(t.year);
  if (year > 2000) year -= 2000;
  return year * 100000000u + static_cast<std::uint32_t>(t.month) * 1000000u +
         static_cast<std::uint32_t>(t.day) * 10000u + static_cast<std::uint32_t>(t.hour) * 100u +
         static_cast<std::uint32_t>(t.minute);
}

std::string ClockText(std::uint32_t v) {
  const std::uint32_t yy = v / 100000000;
  std::uint32_t r = v - yy * 100000000;
  const std::uint32_t mo = r / 1000000;
  r -= mo * 1000000;
  const std::uint32_t dd = r / 10000;
  r -= dd * 10000;
  const std::uint32_t hh = r / 100;
  const std::uint32_t mi = r - hh * 100;
  return std::to_string(2000 + yy) + "." + TwoDigits(mo) + "." + TwoDigits(dd) + " " +
         TwoDigits(hh) + ":" + TwoDigits(mi);
}

std::string FileStamp(const platform::DateTime& t) {
  const auto two = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return std::to_string(t.year) + "_" + two(t.month) + "_" + two(t.day) + "_" + two(t.hour) +
         "_" + two(t.minute);
}

}  // namespace archive
