#include "monitor/display.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace monitor {
namespace {

constexpr int kSignificantDigits = 15;
constexpr double kSmallestFixed = 0.00001;

// The significant digits of |value| rounded to 15, without trailing zeros, and the decimal
// exponent of the first one. std::to_chars is used because it ignores the C locale.
struct Decimal {
  std::string digits;
  int exponent;
};

Decimal RoundedDecimal(double value) {
  char buf[40];
  // d.dddddddddddddde±x: one digit, the point, 14 digits, the exponent.
  const auto end = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                 std::chars_format::scientific, kSignificantDigits - 1).ptr;
  const std::string text(buf, end);
  const std::size_t e = text.find('e');
  std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
  digits.erase(digits.find_last_not_of('0') + 1);
  return {digits, std::atoi(text.c_str() + e + 1)};
}

std::string FixedText(const Decimal& d) {
  if (d.exponent < 0) return "0," + std::string(-d.exponent - 1, '0') + d.digits;
  const auto whole = static_cast<std::size_t>(d.exponent) + 1;
  if (d.digits.size() <= whole) return d.digits + std::string(whole - d.digits.size(), '0');
  return d.digits.substr(0, whole) + "," + d.digits.substr(whole);
}

std::string ExponentText(const Decimal& d) {
  std::string text = d.digits.substr(0, 1);
  if (d.digits.size() > 1) text += "," + d.digits.substr(1);
  return text + "E" + std::to_string(d.exponent);
}

void ShowCounter(platform::Label& box, double high, double low, int pointCode) {
  if (const auto counter = ScaledCounter(high, low, pointCode)) box.Caption = NumberText(*counter);
}

double OperatingTime(double high, double low) { return (high * 100000 + low) / 10; }

void ShowLamp(platform::Shape& lamp, platform::Label& text, double state) {
  const bool normal = state > 0;
  lamp.Brush = normal ? platform::colors::Lime : platform::colors::Red;
  text.Caption = normal ? "- НОРМА" : "- ОТКАЗ";
}

}  // namespace

std::string NumberText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  const Decimal d = RoundedDecimal(value);
  const bool exponentForm =
      d.exponent >= kSignificantDigits || std::fabs(value) < kSmallestFixed;
  return (value < 0 ? "-" : "") + (exponentForm ? ExponentText(d) : FixedText(d));
}

std::optional<double> ScaledCounter(double high, double low, int pointCode) {
  const double raw = high * 100000 + low;
  switch (pointCode) {
    case 1: return raw / 1000;
    case 2: return raw / 100;
    case 3: return raw / 10;
    case 4: return raw;
    case 5: return raw * 10;
    default: return std::nullopt;
  }
}

void RefreshDisplay(const PollState& poll, const DisplayControls& display) {
  const auto& v = poll.PollValues;
  display.Label1.Caption = NumberText(v[0]);
  display.Label6.Caption = NumberText(v[1]);
  ShowCounter(display.Label2, v[2], v[3], poll.PointCode1);
  ShowCounter(display.Label7, v[4], v[5], poll.PointCode2);
  display.Label5.Caption = NumberText(OperatingTime(v[8], v[9]));
  display.Label8.Caption = NumberText(OperatingTime(v[10], v[11]));
  ShowLamp(display.Shape1, display.Label12, v[6]);
  ShowLamp(display.Shape2, display.Label13, v[7]);
}

}  // namespace monitor
