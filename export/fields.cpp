#include "export/fields.h"

#include <charconv>
#include <cmath>

#include "platform/text.h"

namespace report {
namespace {

constexpr std::size_t kBarWidth = 51;
constexpr char kBarMark = '\xC6';  // "Ж" in Windows-1251

void AppendAligned(std::string& line, std::string_view text, int width) {
  if (static_cast<int>(text.size()) < width) line.append(width - text.size(), ' ');
  line.append(text);
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
  // Room for the widest finite double in fixed notation: sign, 309 digits, point, decimals.
  char digits[330];
  const auto end =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals).ptr;
  AppendAligned(line, std::string_view(digits, end - digits), width);
}

unsigned HourOf(std::uint32_t stamp) { return SplitStamp(stamp).hour; }

void AppendHourPrefix(std::string& line, std::uint32_t stamp) {
  const auto date = SplitStamp(stamp);
  AppendInteger(line, date.year, 4);
  line += '.';
  AppendInteger(line, date.month, 2);
  line += '.';
  AppendInteger(line, date.day, 2);
  line += ' ';
  AppendInteger(line, date.hour, 2);
  line += ":00";
}

void AppendMonthPrefix(std::string& line, std::uint32_t stamp) {
  const auto date = SplitStamp(stamp);
  AppendInteger(line, date.year, 4);
  line += '.';
  AppendInteger(line, date.month, 2);
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
