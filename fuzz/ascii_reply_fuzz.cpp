// A ">" reply of a value request as linkmon reads it, from arbitrary bytes: the value text, the
// number with the decimal comma, the point code, and the display text of any number.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "fuzz/fuzz_support.h"
#include "link/frames.h"
#include "monitor/display.h"
#include "monitor/poll_cycle.h"

namespace {

using fuzz::Check;

constexpr std::size_t kValueTextSize = 8;  // the blank in place of ">" and seven characters

// The same number read by the C library (the C locale is in force), "." for the comma.
double CReading(std::string_view text) {
  std::string c(text);
  for (char& ch : c)
    if (ch == ',') ch = '.';
  return std::strtod(c.c_str(), nullptr);
}

// A text that reads as a number holds nothing but blanks, signs, digits, the comma and the
// exponent letter, and means what the C library reads in it.
void CheckNumber(std::string_view text) {
  const auto value = devlink::ParseCommaNumber(text);
  if (!value) return;
  Check(text.find_first_not_of(" +-0123456789,Ee") == std::string_view::npos,
        "only a number's characters read as a number", text);
  Check(*value == CReading(text), "the number is the C library's reading", text);
}

void CheckValueText(const std::string& reply, bool commaFromDot) {
  const auto text = devlink::AsciiReplyText(reply, commaFromDot);
  const bool isReply = !reply.empty() && reply[0] == '>';
  Check(text.has_value() == isReply, "a value text exactly for a reply beginning with '>'", reply);
  if (!text) return;
  Check(text->size() == std::min(reply.size(), kValueTextSize) && (*text)[0] == ' ',
        "the value text is the blank and at most seven characters", *text);
  if (!commaFromDot)
    Check(text->substr(1) == reply.substr(1, kValueTextSize - 1),
          "without the comma rule the characters are the reply's", *text);
  CheckNumber(*text);
}

void CheckPointCode(const std::string& reply) {
  const int code = monitor::PointCode(reply);
  if (reply.find_first_of(".,") == std::string::npos)
    return Check(code == -3, "no comma: point code -3", reply);
  Check(code >= -2 && code + 3 <= static_cast<int>(reply.size()),
        "the point code is a position in the reply", reply);
}

// What the display writes for a number reads back as that number, to its 15 digits.
void CheckDisplayText(double value) {
  const std::string text = monitor::NumberText(value);
  Check(fuzz::Cp1251Text(text), "the display text can be shown", text);
  if (std::isnan(value)) return Check(text == "NAN", "NaN shows as NAN", text);
  if (std::isinf(value)) return Check(text == (value < 0 ? "-INF" : "INF"), "infinity", text);
  if (std::fabs(value) >= 1e308) return;  // rounded to 15 digits it may lie past the largest
  const auto back = devlink::ParseCommaNumber(text);
  Check(back.has_value(), "the display text reads as a number", text);
  Check(std::fabs(*back - value) <= 2e-14 * std::fabs(value),
        "the display text is the number to 15 digits", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  CheckValueText(reply, false);
  CheckValueText(reply, true);
  CheckNumber(reply);
  CheckPointCode(reply);
  if (const auto value = devlink::ParseCommaNumber(reply)) CheckDisplayText(*value);
  if (size >= sizeof(double)) {
    double any;
    std::memcpy(&any, data, sizeof any);
    CheckDisplayText(any);
  }
  return 0;
}
