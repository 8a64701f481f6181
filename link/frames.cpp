#include "link/frames.h"

#include <charconv>
#include <cstring>

namespace devlink {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHex(std::string& s, std::uint8_t v) {
  s += kHex[v >> 4];
  s += kHex[v & 0x0F];
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string AsciiRequest(std::uint8_t address, char command) {
  std::string s = "#";
  AppendHex(s, address);
  s += command;
  std::uint8_t sum = 0;
  for (char c : s) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
  AppendHex(s, sum);
  s += '\r';
  return s;
}

std::optional<std::string> AsciiReplyText(std::string reply, bool commaFromDot) {
  if (reply.empty() || reply[0] != '>') return std::nullopt;
  reply[0] = ' ';
  if (commaFromDot) {
    if (auto dot = reply.find('.'); dot != std::string::npos) reply[dot] = ',';
  }
  return reply.substr(0, 8);
}

std::optional<double> ParseCommaNumber(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  std::string_view t = text.substr(b, e - b);
  std::string c_locale;  // the same number with ".", for a locale-free conversion
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) c_locale += t[i++];
  bool digits = false, comma = false;
  for (; i < t.size(); ++i) {
    if (IsDigit(t[i])) { digits = true; c_locale += t[i]; }
    else if (t[i] == ',' && !comma) { comma = true; c_locale += '.'; }
    else break;
  }
  // A lone comma counts as a number (zero), as the platform's conversion takes it.
  if (!digits && !comma) return std::nullopt;
  if (!digits) c_locale += '0';
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    c_locale += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) c_locale += t[i++];
    bool expDigits = false;
    for (; i < t.size() && IsDigit(t[i]); ++i) { expDigits = true; c_locale += t[i]; }
    if (!expDigits) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  double value = 0;
  const char* first = c_locale.data();
  if (*first == '+') ++first;  // from_chars takes no plus sign
  const auto [end, ec] = std::from_chars(first, c_locale.data() + c_locale.size(), value);
  if (ec != std::errc() || end != c_locale.data() + c_locale.size()) return std::nullopt;  // 1E999
  return value;
}

std::uint8_t FrameChecksum(const Frame& f) {
  unsigned sum = f[10];
  for (std::size_t i = 0; i <= 8; ++i) sum += f[i];
  return static_cast<std::uint8_t>(sum);
}

Frame BinaryRequest(std::uint8_t address, std::uint8_t command, std::uint16_t position,
                    std::uint32_t data) {
  Frame f{0x23, address, command, static_cast<std::uint8_t>(position & 0xFF),
          static_cast<std::uint8_t>(position >> 8),
          static_cast<std::uint8_t>(data), static_cast<std::uint8_t>(data >> 8),
          static_cast<std::uint8_t>(data >> 16), static_cast<std::uint8_t>(data >> 24),
          0, 0x0D};
  f[9] = FrameChecksum(f);
  return f;
}

bool ReplyChecksumOk(const Frame& reply) { return reply[9] == FrameChecksum(reply); }

std::uint32_t ReplyValue(const Frame& r) {
  return static_cast<std::uint32_t>(r[5]) | static_cast<std::uint32_t>(r[6]) << 8 |
         static_cast<std::uint32_t>(r[7]) << 16 | static_cast<std::uint32_t>(r[8]) << 24;
}

Frame FrameFromBytes(std::string_view bytes) {
  Frame f{};
  for (std::size_t i = 0; i < kFrameSize && i < bytes.size(); ++i)
    f[i] = static_cast<std::uint8_t>(bytes[i]);
  return f;
}

std::string FrameBytes(const Frame& f) { return std::string(f.begin(), f.end()); }

std::uint32_t FloatBits(float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

float BitsFloat(std::uint32_t bits) {
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

}  // namespace devlink
