#include "export/fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <optional>

#include "platform/text.h"

namespace report {
namespace {

constexpr std::size_t kBarWidth = 51;
constexpr char kBarMark = '\xC6';  // "Ж" in Windows-1251

void AppendAligned(std::string& line, std::string_view text, int width) {
  if (static_cast<int>(text.size()) < width) line.append(width - text.size(), ' ');
  line.append(text);
}

constexpr double kDecimalScales[] = {1, 10, 100, 1000};

// Room for any finite double in fixed notation with a few decimals: sign, 309 digits, point.
constexpr std::size_t kMaxFixedDigits = 330;

// The value in fixed point with `decimals` decimals, rounded from its exact binary value,
// a half away from zero as reports round. Slow: for halves and numbers past the fast path.
std::string RoundedHalfAway(double value, int decimals) {
  // Every double's exact decimal expansion has at most 1074 fraction digits.
  static thread_local char exact[kMaxFixedDigits + 1100];
  const char* end =
      std::to_chars(exact, exact + sizeof exact, value, std::chars_format::fixed, 1074).ptr;
  const std::string_view all(exact, static_cast<std::size_t>(end - exact));
  const std::size_t point = all.find('.');
  std::string kept(all.substr(0, point + (decimals > 0 ? 1 + decimals : 0)));
  const std::string_view rest = all.substr(point + 1 + decimals);
  if (!rest.empty() && rest[0] >= '5') {
    // Carry one unit of the last kept digit into the digits before it.
    std::size_t i = kept.size();
    while (i > 0) {
      char& c = kept[--i];
      if (c == '.') continue;
      if (c == '-') { ++i; break; }
      if (c != '9') { ++c; i = std::string::npos; break; }
      c = '0';
    }
    if (i != std::string::npos) kept.insert(i, 1, '1');
  }
  return kept;
}

// magnitude x 10^decimals rounded to the nearest whole number, when the product in double
// precision decides it. Below 2^52 every half is a double, and rounding the exact product to a
// double never carries it across one; only a product that lands exactly on a half may come from
// either side. That case, and larger numbers, are left (nullopt) to the general conversion.
std::optional<std::uint64_t> ScaledWhole(double magnitude, int decimals) {
  if (decimals < 0 || decimals >= static_cast<int>(std::size(kDecimalScales))) return std::nullopt;
  const double scaled = magnitude * kDecimalScales[decimals];
  if (!(scaled < 0x1p52)) return std::nullopt;
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  if (fraction == 0.5) return std::nullopt;
  return static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
}

// The digits of whole / 10^decimals in fixed point, written backwards ending at `end`.
char* WriteFixed(std::uint64_t whole, int decimals, char* end) {
  char* begin = end;
  for (int i = 0; i < decimals; ++i, whole /= 10) *--begin = static_cast<char>('0' + whole % 10);
  if (decimals > 0) *--begin = '.';
  do {
    *--begin = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  return begin;
}

// A number below 100 right-aligned in two characters.
void AppendTwoDigits(std::string& line, unsigned value) {
  line += value < 10 ? ' ' : static_cast<char>('0' + value / 10);
  line += static_cast<char>('0' + value % 10);
}

struct DateParts {
  unsigned year, month, day, hour;
};

DateParts SplitStamp(std::uint32_t stamp) {
  return {2000 + stamp / 100000000, stamp % 100000000 / 1000000, stamp % 1000000 / 10000,
          stamp % 10000 / 100};
}

const std::string& NoDataField() {
  static const std::string field =
      platform::ToCp1251("-                   НЕТ   ДАННЫХ                  -");
  return field;
}

}  // namespace

std::string Cp1251Lines(std::initializer_list<std::string_view> utf8Lines) {
  std::string text;
  for (const auto line : utf8Lines) {
    text += platform::ToCp1251(line);
    text += kLineEnd;
  }
  return text;
}

void AppendInteger(std::string& line, std::uint32_t value, int width) {
  char digits[10];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  AppendAligned(line, std::string_view(digits, end - digits), width);
}

void AppendReal(std::string& line, double value, int width, int decimals) {
  char digits[kMaxFixedDigits];
  char* end = digits + sizeof digits;
  char* begin;
  if (const auto whole = ScaledWhole(std::fabs(value), decimals)) {
    begin = WriteFixed(*whole, decimals, end);
    if (std::signbit(value)) *--begin = '-';
  } else {
    const std::string exact = RoundedHalfAway(value, decimals);
    begin = digits;
    end = std::copy(exact.begin(), exact.end(), digits);
  }
  AppendAligned(line, std::string_view(begin, end - begin), width);
}

unsigned HourOf(std::uint32_t stamp) { return SplitStamp(stamp).hour; }

void AppendHourPrefix(std::string& line, std::uint32_t stamp) {
  const auto date = SplitStamp(stamp);
  AppendInteger(line, date.year, 4);
  line += '.';
  AppendTwoDigits(line, date.month);
  line += '.';
  AppendTwoDigits(line, date.day);
  line += ' ';
  AppendTwoDigits(line, date.hour);
  line += ":00";
}

void AppendMonthPrefix(std::string& line, std::uint32_t stamp) {
  const auto date = SplitStamp(stamp);
  AppendInteger(line, date.year, 4);
  line += '.';
  AppendTwoDigits(line, date.month);
  line += " 00:00";
}

std::size_t BarLength(double increment, double scale) {
  const double exact = std::fabs(increment) * 50 / scale;
  double whole = std::floor(exact);
  const double rest = exact - whole;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2) != 0)) whole += 1;
  return static_cast<std::size_t>(whole);
}

void AppendBarField(std::string& line, double increment, double previous, double reading,
                    double scale) {
  if (previous == 0 || reading == 0) {
    line += NoDataField();
    return;
  }
  const std::size_t marks = BarLength(increment, scale);
  line.append(marks, kBarMark);
  if (marks <= 50) line.append(kBarWidth - marks, '-');
}

}  // namespace report
