#include "sim/memory.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::int64_t kMaxModelHours = 50LL * 8766;  // the model ends 50 years after its start

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

std::uint64_t Hash(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0, std::uint64_t c = 0) {
  return Mix(Mix(Mix(Mix(seed) ^ a) ^ b) ^ c);
}

// A number in [0, 1) that depends only on its arguments.
double Unit(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0, std::uint64_t c = 0) {
  return static_cast<double>(Hash(seed, a, b, c) >> 11) * 0x1.0p-53;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

std::int64_t HourOf(double days) {
  return static_cast<std::int64_t>(std::floor(days * 24.0 + 1e-7));
}

std::uint32_t Bits(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

double Round(double v, double step) { return std::round(v / step) * step; }

// Relative flow over the hours of a day: low at night, peaks in the morning and the evening.
constexpr double kProfile[24] = {0.45, 0.40, 0.38, 0.38, 0.42, 0.55, 0.85, 1.25,
                                 1.45, 1.35, 1.20, 1.15, 1.10, 1.10, 1.05, 1.05,
                                 1.10, 1.25, 1.45, 1.50, 1.35, 1.10, 0.80, 0.60};

// The month `back` months before (year, month).
void MonthsBack(int& year, int& month, int back) {
  int index = year * 12 + (month - 1) - back;
  year = index / 12;
  month = index % 12 + 1;
}

}  // namespace

std::uint32_t PackClock(const platform::DateTime& t) {
  const std::uint32_t year = static_cast<std::uint32_t>(t.year > 2000 ? t.year - 2000 : t.year);
  return year * 100000000u + static_cast<std::uint32_t>(t.month) * 1000000u +
         static_cast<std::uint32_t>(t.day) * 10000u + static_cast<std::uint32_t>(t.hour) * 100u +
         static_cast<std::uint32_t>(t.minute);
}

platform::DateTime UnpackClock(std::uint32_t v) {
  platform::DateTime t;
  t.year = 2000 + static_cast<int>(v / 100000000u);
  t.month = static_cast<int>(v / 1000000u % 100u);
  t.day = static_cast<int>(v / 10000u % 100u);
  t.hour = static_cast<int>(v / 100u % 100u);
  t.minute = static_cast<int>(v % 100u);
  return t;
}

int DaySlotPosition(int month, int day) { return (day - 1 + 31 * ((month - 1) % 4)) * kSlotWords; }

int MonthSlotPosition(int year) {
  const int slot = kMonthSlotFirst + static_cast<int>(((year - 2000) % 16 + 16) % 16);
  return slot * kSlotWords;
}

int MonthEntryPosition(int year, int month) { return MonthSlotPosition(year) + 5 * (month - 1); }

// --- Flow ---

Flow::Flow(FlowParams p) : p_(std::move(p)) {
  for (int ch = 0; ch < 2; ++ch) {
    counters_[ch] = {p_.counterBase[ch]};
    times_[ch] = {p_.timeBase[ch]};
  }
}

double Flow::Resolution(int pointCode) {
  switch (pointCode) {
    case 2: return 0.01;
    case 3: return 0.1;
    case 4: return 1;
    case 5: return 10;
    default: return 0.001;
  }
}

// Now and then a channel stands still for the small hours (02:00 to 04:00) of a day.
bool Flow::outage(int ch, std::int64_t hour) const {
  const std::int64_t day = FloorDiv(hour, 24);
  const std::int64_t hod = hour - day * 24;
  return hod >= 2 && hod < 4 &&
         Unit(p_.seed, static_cast<std::uint64_t>(ch), static_cast<std::uint64_t>(day), 4) < 0.05;
}

double Flow::hourlyFlow(int ch, std::int64_t hour) const {
  if (outage(ch, hour)) return 0;
  const std::int64_t day = FloorDiv(hour, 24);
  const auto hod = static_cast<int>(hour - day * 24);
  const auto uday = static_cast<std::uint64_t>(day);
  const double dayFactor = 0.85 + 0.3 * Unit(p_.seed, static_cast<std::uint64_t>(ch), uday, 1);
  const std::int64_t weekday = ((day % 7) + 7) % 7;  // day 0 was a Saturday
  const double weekFactor = weekday <= 1 ? 0.8 : 1.0;
  const double noise =
      0.93 + 0.14 * Unit(p_.seed, static_cast<std::uint64_t>(ch), static_cast<std::uint64_t>(hour), 2);
  return p_.meanFlow[ch] * kProfile[hod] * dayFactor * weekFactor * noise;
}

void Flow::extendTo(std::int64_t hour) const {
  const std::int64_t need = std::min(hour - p_.startHour, kMaxModelHours);
  for (int ch = 0; ch < 2; ++ch) {
    auto& c = counters_[ch];
    auto& t = times_[ch];
    const double res = Resolution(p_.pointCode[ch]);
    while (static_cast<std::int64_t>(c.size()) <= need) {
      const std::int64_t h = p_.startHour + static_cast<std::int64_t>(c.size()) - 1;
      const auto inc = static_cast<std::uint32_t>(std::llround(hourlyFlow(ch, h) / res));
      c.push_back(c.back() + inc);
      t.push_back(t.back() + (outage(ch, h) ? 0u : 100u));
    }
  }
}

std::uint32_t Flow::counterAt(int ch, std::int64_t hour) const {
  if (hour <= p_.startHour) return p_.counterBase[ch];
  extendTo(hour);
  const std::int64_t i = std::min(hour - p_.startHour, kMaxModelHours);
  return counters_[ch][static_cast<std::size_t>(i)];
}

std::uint32_t Flow::operatingTimeAt(int ch, std::int64_t hour) const {
  if (hour <= p_.startHour) return p_.timeBase[ch];
  extendTo(hour);
  const std::int64_t i = std::min(hour - p_.startHour, kMaxModelHours);
  return times_[ch][static_cast<std::size_t>(i)];
}

std::uint32_t Flow::counter(int ch, double days) const {
  const std::int64_t h = HourOf(days);
  const double frac = std::clamp(days * 24.0 - static_cast<double>(h), 0.0, 1.0);
  const std::uint32_t a = counterAt(ch, h), b = counterAt(ch, h + 1);
  return a + static_cast<std::uint32_t>(static_cast<double>(b - a) * frac);
}

std::uint32_t Flow::operatingTime(int ch, double days) const {
  const std::int64_t h = HourOf(days);
  const double frac = std::clamp(days * 24.0 - static_cast<double>(h), 0.0, 1.0);
  const std::uint32_t a = operatingTimeAt(ch, h), b = operatingTimeAt(ch, h + 1);
  return a + static_cast<std::uint32_t>(static_cast<double>(b - a) * frac);
}

double Flow::currentFlow(int ch, double days) const {
  const std::int64_t h = HourOf(days);
  const double frac = std::clamp(days * 24.0 - static_cast<double>(h), 0.0, 1.0);
  const double f0 = hourlyFlow(ch, h);
  if (f0 == 0) return 0;
  const double f1 = hourlyFlow(ch, h + 1);
  const double f = f1 == 0 ? f0 : f0 + (f1 - f0) * frac;
  const double secs = days * 86400.0;
  const double ripple = 1 + 0.04 * std::sin(2 * kPi * secs / 37.0) +
                        0.02 * std::sin(2 * kPi * secs / 7.3 + ch);
  return f * ripple;
}

// --- Generation ---

MeterMemory GenerateMemory(std::uint64_t seed, double now) {
  MeterMemory m;
  const platform::DateTime t = platform::DecodeDateTime(now);
  const std::int64_t nowHour = HourOf(now);

  // Flow model from the first day of the month 23 months back, so that 24 month entries have
  // their start-of-month readings.
  int y0 = t.year, m0 = t.month;
  MonthsBack(y0, m0, 23);
  FlowParams& f = m.flow;
  f.seed = seed;
  f.startHour = HourOf(platform::EncodeDateTime({y0, m0, 1}));
  constexpr double kQmax1[] = {100, 200, 400}, kQmax2[] = {25, 50, 80};
  const double qmax[2] = {kQmax1[Hash(seed, 10) % 3], kQmax2[Hash(seed, 11) % 3]};
  f.pointCode = {3, 2};
  for (int ch = 0; ch < 2; ++ch) {
    f.meanFlow[ch] = Round(qmax[ch] * (0.25 + 0.15 * Unit(seed, 12, ch)), 0.1);
    f.timeBase[ch] = 1500000u + static_cast<std::uint32_t>(Hash(seed, 14, ch) % 2000000u);
  }
  f.counterBase[0] = 1000000u + static_cast<std::uint32_t>(Hash(seed, 13, 0) % 9000000u);
  f.counterBase[1] = 2000000u + static_cast<std::uint32_t>(Hash(seed, 13, 1) % 5000000u);
  const Flow flow(f);

  // Parameters: filler everywhere, the sheet's records per channel.
  for (int p = 0; p < kParamCount; ++p)
    m.params[p] = Bits(static_cast<float>(Round(100.0 * Unit(seed, 20, p), 0.01)));
  constexpr float kAveraging[] = {20, 40, 80, 150, 300, 1000};
  constexpr float kCable[] = {5, 10, 15, 20, 30};
  constexpr float kCut[] = {0.01f, 0.02f, 0.04f};
  constexpr float kWeight[] = {3.6f, 36, 360};
  for (int ch = 0; ch < 2; ++ch) {
    const int o = 100 * ch;
    const auto u = [&](int k) { return Unit(seed, 21, ch, k); };
    const double d = Round(std::sqrt(4 * qmax[ch] / 3600.0 / (kPi * 3.0)), 0.01);
    m.params[o + param::Qmax] = Bits(static_cast<float>(qmax[ch]));
    m.params[o + param::D] = Bits(static_cast<float>(d));
    m.params[o + param::Ld] = Bits(static_cast<float>(Round(d * (1.05 + 0.2 * u(1)), 0.001)));
    m.params[o + param::CutOff] =
        Bits(static_cast<float>(qmax[ch]) * kCut[Hash(seed, 22, ch) % 3]);
    m.params[o + param::Averaging] = Bits(kAveraging[Hash(seed, 23, ch) % 6]);
    m.params[o + param::TimeShift] = Bits(static_cast<float>(Round(0.5 + 2.5 * u(2), 0.01)));
    m.params[o + param::CableLength] = Bits(kCable[Hash(seed, 24, ch) % 5]);
    m.params[o + param::Correction] = Bits(static_cast<float>(Round(0.99 + 0.02 * u(3), 0.0001)));
    m.params[o + param::PulseWeight] = Bits(kWeight[Hash(seed, 25, ch) % 3]);
    m.params[o + param::T1] = Bits(static_cast<float>(Round(40 + 20 * u(4), 0.01)));
    m.params[o + param::T2] = Bits(static_cast<float>(Round(40 + 20 * u(5), 0.01)));
  }

  // GSM settings: cycle digit, then three eleven-digit numbers, each after a "+".
  m.gsm = "1";
  for (int n = 0; n < 3; ++n) {
    m.gsm += "+79";
    for (int k = 0; k < 9; ++k) m.gsm += static_cast<char>('0' + Hash(seed, 30, n, k) % 10);
  }
  m.gsm.resize(kGsmCount, ' ');

  // Day slots of the last four months: from the first day of the month four months back (the
  // bank the current month shares) up to today, later days overwriting earlier ones.
  int yd = t.year, md = t.month;
  MonthsBack(yd, md, 4);
  const auto firstDay = static_cast<std::int64_t>(
      std::floor(platform::EncodeDateTime({yd, md, 1}) + 1e-9));
  const auto today = static_cast<std::int64_t>(std::floor(now + 1e-9));
  for (std::int64_t day = firstDay; day <= today; ++day) {
    const platform::DateTime dt = platform::DecodeDateTime(static_cast<double>(day));
    const int pos = DaySlotPosition(dt.month, dt.day);
    const std::int64_t h0 = day * 24;
    std::uint32_t* w = &m.archive[static_cast<std::size_t>(pos)];
    for (int h = 0; h < 24; ++h)
      for (int ch = 0; ch < 2; ++ch)
        w[2 * h + ch] = h0 + h <= nowHour ? flow.counterAt(ch, h0 + h) : 0u;
    w[48] = PackClock({dt.year, dt.month, dt.day});
    w[49] = flow.operatingTimeAt(0, h0);
    w[50] = flow.operatingTimeAt(1, h0);
    w[51] = 0;
    w[52] = static_cast<std::uint32_t>(f.pointCode[0]);
    w[53] = static_cast<std::uint32_t>(f.pointCode[1]);
    std::fill(w + 54, w + kSlotWords, 0u);
  }

  // Month entries of the last 24 months, one slot per year; readings at the month's start.
  for (int back = 23; back >= 0; --back) {
    int y = t.year, mo = t.month;
    MonthsBack(y, mo, back);
    const std::int64_t h = HourOf(platform::EncodeDateTime({y, mo, 1}));
    std::uint32_t* e = &m.archive[static_cast<std::size_t>(MonthEntryPosition(y, mo))];
    e[0] = PackClock({y, mo, 1});
    e[1] = flow.counterAt(0, h);
    e[2] = flow.counterAt(1, h);
    e[3] = flow.operatingTimeAt(0, h);
    e[4] = flow.operatingTimeAt(1, h);
    std::uint32_t* slot = &m.archive[static_cast<std::size_t>(MonthSlotPosition(y))];
    slot[60] = slot[61] = 0;
    slot[62] = static_cast<std::uint32_t>(f.pointCode[0]);
    slot[63] = static_cast<std::uint32_t>(f.pointCode[1]);
  }
  return m;
}

}  // namespace sim
