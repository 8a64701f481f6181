#include "sim/meter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "link/frames.h"

namespace sim {
namespace {

// A pause longer than this between two bytes starts framing afresh.
constexpr std::int64_t kGapMs = 200;
constexpr std::size_t kAsciiSize = 7;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Hex2(unsigned v) {
  static const char d[] = "0123456789ABCDEF";
  return {d[(v >> 4) & 15], d[v & 15]};
}

// Whether the first seven bytes have the shape of an ASCII request: "#", hex digits, CR.
bool AsciiShaped(const std::string& s) {
  return s.size() >= kAsciiSize && s[0] == '#' && HexDigit(s[1]) >= 0 && HexDigit(s[2]) >= 0 &&
         HexDigit(s[4]) >= 0 && HexDigit(s[5]) >= 0 && s[6] == '\r';
}

// A current flow in seven characters with `decimals` digits after the "." (0 to 4): the "."
// stands where the monitor reads the channel's point code from.
std::string Fixed7(double value, int decimals) {
  const int before = 6 - decimals;
  const double max = std::pow(10.0, before) - std::pow(10.0, -decimals);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*.*f", decimals > 0 ? 7 : 6, decimals,
                std::clamp(value, 0.0, max));
  std::string s = buf;
  if (decimals == 0) s += '.';
  return s;
}

std::string Int7(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%7u", static_cast<unsigned>(v % 10000000u));
  return buf;
}

}  // namespace

Meter::Meter(platform::EventLoop& loop, const SimOptions& options)
    : loop_(loop),
      options_(options),
      ch2Fault_(options.channel2Fault),
      rng_(options.seed ^ 0xF417'5EEDULL) {
  const double now = options.memoryNow ? platform::EncodeDateTime(*options.memoryNow) : loop.now();
  setMemory(GenerateMemory(options.seed, now));
}

Meter::~Meter() {
  for (platform::TaskId id : pending_) loop_.cancel(id);
}

void Meter::setMemory(MeterMemory memory) {
  memory_ = std::move(memory);
  memory_.archive.resize(kArchiveWords, kErased);
  memory_.gsm.resize(kGsmCount, ' ');
  flow_ = std::make_unique<Flow>(memory_.flow);
}

// --- Clock ---

double Meter::clockNow() const { return loop_.now() + memory_.clockOffsetDays; }

std::uint32_t Meter::clockPacked() const { return PackClock(platform::DecodeDateTime(clockNow())); }

void Meter::setClockPacked(std::uint32_t packed) {
  memory_.clockOffsetDays = platform::EncodeDateTime(UnpackClock(packed)) - loop_.now();
}

// --- Records ---

std::uint32_t Meter::parameterBits(int position) const {
  return position >= 0 && position < kParamCount ? memory_.params[position] : 0u;
}

float Meter::parameter(int position) const { return devlink::BitsFloat(parameterBits(position)); }

std::uint32_t Meter::archiveWord(int position) const {
  return position >= 0 && position < kArchiveWords ? memory_.archive[position] : kErased;
}

std::uint32_t Meter::recordValue(std::uint8_t command, std::uint16_t position) const {
  switch (command) {
    case 0:
    case 1: return clockPacked();
    case 5: return parameterBits(position);
    case 6: return archiveWord(position);
    case 7:
    case 8:
      if (position >= kGsmFirst && position < kGsmFirst + kGsmCount)
        return static_cast<unsigned char>(memory_.gsm[position - kGsmFirst]);
      return 0;
    default: return 0;
  }
}

// --- Live values ---

std::string Meter::asciiValueText(int number) const {
  const double t = clockNow();
  switch (number) {
    case 0:  // current flows: the "." placed by the channel's point code
    case 1: {
      const int code = std::clamp(memory_.flow.pointCode[number], 1, 5);
      const bool fault = number == 1 && ch2Fault_;
      return Fixed7(fault ? 0.0 : flow_->currentFlow(number, t), 5 - code);
    }
    case 2:  // counters: high part, low part
    case 3:
    case 4:
    case 5: {
      const std::uint32_t raw = flow_->counter(number < 4 ? 0 : 1, t);
      return Int7(number % 2 == 0 ? raw / 100000u : raw % 100000u);
    }
    case 6: return Int7(1);  // states: above 0 is normal
    case 7: return Int7(ch2Fault_ ? 0 : 1);
    case 8:  // operating times in tenths of an hour: high part, low part
    case 9:
    case 10:
    case 11: {
      const std::uint32_t tenths = flow_->operatingTime(number < 10 ? 0 : 1, t) / 10u;
      return Int7(number % 2 == 0 ? tenths / 100000u : tenths % 100000u);
    }
    default: return Int7(0);
  }
}

std::string Meter::asciiReply(int number) const {
  std::string r = ">" + asciiValueText(number);
  unsigned sum = 0;
  for (char c : r) sum += static_cast<unsigned char>(c);
  return r + Hex2(sum) + "\r";
}

// --- Framing ---

void Meter::receive(std::string_view bytes) {
  if (bytes.empty()) return;
  const std::int64_t now = loop_.monotonicMs();
  if (!in_.empty() && now - lastByteMs_ > kGapMs) {
    counters_.noiseBytes += static_cast<long>(in_.size());
    in_.clear();
  }
  lastByteMs_ = now;
  in_.append(bytes);
  frame();
}

void Meter::frame() {
  while (!in_.empty()) {
    if (in_[0] != '#') {
      const std::size_t hash = in_.find('#');
      const std::size_t n = hash == std::string::npos ? in_.size() : hash;
      counters_.noiseBytes += static_cast<long>(n);
      in_.erase(0, n);
      continue;
    }
    if (AsciiShaped(in_)) {
      const std::string req = in_.substr(0, kAsciiSize);
      in_.erase(0, kAsciiSize);
      const auto address = static_cast<std::uint8_t>(HexDigit(req[1]) * 16 + HexDigit(req[2]));
      if (req != devlink::AsciiRequest(address, req[3])) {  // the checksum does not hold
        ++counters_.badChecksums;
        continue;
      }
      onAscii(address, req[3]);
      continue;
    }
    if (in_.size() < devlink::kFrameSize) return;  // perhaps a binary request, still coming
    const devlink::Frame f = devlink::FrameFromBytes(in_);
    if (devlink::FrameChecksum(f) == f[9]) {
      const std::string req = in_.substr(0, devlink::kFrameSize);
      in_.erase(0, devlink::kFrameSize);
      onBinary(req);
      continue;
    }
    if (f[10] == 0x0D) ++counters_.badChecksums;
    else ++counters_.noiseBytes;
    in_.erase(0, 1);  // not a request here: look for the next "#"
  }
}

bool Meter::forMe(std::uint8_t address) const {
  return options_.address < 0 || address == static_cast<std::uint8_t>(options_.address);
}

void Meter::onAscii(std::uint8_t address, char command) {
  if (!forMe(address)) {
    ++counters_.ignored;
    return;
  }
  ++counters_.asciiRequests;
  if (command == 'F') {  // console mode: binary requests are answered from now on
    console_ = true;
    return;
  }
  const int number = HexDigit(command);
  if (console_ || number < 0 || number > 11 || (command >= 'a' && command <= 'f')) {
    ++counters_.ignored;
    return;
  }
  reply(asciiReply(number), false);
}

void Meter::onBinary(const std::string& request) {
  const devlink::Frame req = devlink::FrameFromBytes(request);
  if (!forMe(req[1])) {
    ++counters_.ignored;
    return;
  }
  ++counters_.binaryRequests;
  const std::uint8_t command = req[2];
  const auto position = static_cast<std::uint16_t>(req[3] | req[4] << 8);
  const std::uint32_t data = devlink::ReplyValue(req);
  if (command == 3) {  // stop: the end of console mode; no reply
    console_ = false;
    return;
  }
  const bool known = command == 0 || command == 1 || command == 5 || command == 6 ||
                     command == 7 || command == 8;
  if (!console_ || !known) {
    ++counters_.ignored;
    return;
  }
  if (command == 0) setClockPacked(data);
  if (command == 7 && position >= kGsmFirst && position < kGsmFirst + kGsmCount)
    memory_.gsm[position - kGsmFirst] = static_cast<char>(data & 0xFF);
  const std::uint32_t value = recordValue(command, position);
  devlink::Frame r = req;  // header echoed
  r[5] = static_cast<std::uint8_t>(value);
  r[6] = static_cast<std::uint8_t>(value >> 8);
  r[7] = static_cast<std::uint8_t>(value >> 16);
  r[8] = static_cast<std::uint8_t>(value >> 24);
  r[10] = 0x0D;
  r[9] = devlink::FrameChecksum(r);
  reply(devlink::FrameBytes(r), true);
}

// --- Replies and faults ---

bool Meter::chance(double probability) {
  if (probability <= 0) return false;
  const double u = static_cast<double>(rng_() >> 11) * 0x1.0p-53;
  return u < probability;
}

void Meter::reply(std::string bytes, bool binary) {
  const FaultOptions& f = options_.faults;
  if (f.silentAfter >= 0 && counters_.replies >= f.silentAfter) {
    ++counters_.silenced;
    return;
  }
  if (chance(f.dropProbability)) {
    ++counters_.dropped;
    return;
  }
  std::int64_t delay = options_.latencyMs;
  if (chance(f.lateProbability)) {
    ++counters_.late;
    delay += f.lateMs;
  }
  if (chance(f.corruptProbability)) {
    ++counters_.corrupted;
    if (binary) {
      bytes[9] = static_cast<char>(bytes[9] + 1);
    } else {
      // The ASCII reply's own checksum digits (which the monitor does not look at).
      bytes.replace(8, 2, Hex2(static_cast<unsigned>(HexDigit(bytes[8]) * 16 +
                                                     HexDigit(bytes[9]) + 1)));
    }
  }
  if (chance(f.partialProbability)) {
    ++counters_.partial;
    bytes.resize(6);
  } else if (chance(f.surplusProbability)) {
    ++counters_.surplus;
    bytes += std::string("\x55\r", 2);
  }
  ++counters_.replies;
  auto id = std::make_shared<platform::TaskId>(0);
  *id = loop_.schedule(delay, [this, id, bytes = std::move(bytes)] {
    pending_.erase(*id);
    if (send) send(bytes);
  });
  pending_.insert(*id);
}

}  // namespace sim
