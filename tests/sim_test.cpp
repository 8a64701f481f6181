// The simulated meter and modem on virtual time.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "link/frames.h"
#include "platform/errors.h"
#include "platform/serial.h"
#include "platform/virtual/virtual_loop.h"
#include "sim/line_sim.h"
#include "sim/memory.h"
#include "sim/memory_file.h"
#include "sim/meter.h"
#include "sim/modem.h"

using devlink::Frame;

namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b) s += static_cast<char>(x);
  return s;
}

std::string Request(std::uint8_t address, std::uint8_t command, std::uint16_t position,
                    std::uint32_t data = 0) {
  return devlink::FrameBytes(devlink::BinaryRequest(address, command, position, data));
}

// A meter on virtual time whose replies are collected.
struct Bench {
  explicit Bench(sim::SimOptions options = {}) : meter(loop, options) {
    meter.send = [this](const std::string& b) { replies.push_back(b); };
  }
  // Sends the bytes and runs the loop a little; returns the replies that came.
  std::vector<std::string> ask(const std::string& bytes, std::int64_t ms = 50) {
    replies.clear();
    meter.receive(bytes);
    loop.runFor(ms);
    return replies;
  }
  std::string askOne(const std::string& bytes) {
    auto r = ask(bytes);
    return r.size() == 1 ? r[0] : std::string("<") + std::to_string(r.size()) + " replies>";
  }
  void console() { ask(devlink::AsciiRequest(0, 'F')); }

  platform::VirtualLoop loop;  // 2009-08-15 14:05
  sim::Meter meter;
  std::vector<std::string> replies;
};

std::uint32_t Value(const std::string& reply) {
  return devlink::ReplyValue(devlink::FrameFromBytes(reply));
}

bool GoodReply(const std::string& reply) {
  return reply.size() == 11 && devlink::ReplyChecksumOk(devlink::FrameFromBytes(reply));
}

}  // namespace

// --- Binary frame ---

TEST(SimMeter, WorkedRequestsGetCheckedReplies) {
  Bench b;
  b.console();
  // Read clock, address 1, data 1234.1.
  const std::string readClock = Bytes({0x23, 0x01, 0x01, 0x00, 0x00, 0x33, 0x43, 0x9A, 0x44, 0x86, 0x0D});
  std::string r = b.askOne(readClock);
  ASSERT_TRUE(GoodReply(r));
  EXPECT_EQ(Value(r), 908151405u);  // 2009-08-15 14:05
  EXPECT_EQ(r.substr(0, 5), readClock.substr(0, 5));  // header echoed
  EXPECT_EQ(r[10], '\r');

  // Set clock, address 5, 908151430 (2009-08-15 14:30); the meter's clock follows.
  r = b.askOne(Bytes({0x23, 0x05, 0x00, 0x00, 0x00, 0x86, 0x4A, 0x21, 0x36, 0x5C, 0x0D}));
  ASSERT_TRUE(GoodReply(r));
  EXPECT_EQ(Value(r), 908151430u);
  b.loop.runFor(60000);
  EXPECT_EQ(Value(b.askOne(readClock)), 908151431u);

  // Archive, address 1, position 8256.
  r = b.askOne(Bytes({0x23, 0x01, 0x06, 0x40, 0x20, 0x00, 0x00, 0x00, 0x00, 0x97, 0x0D}));
  ASSERT_TRUE(GoodReply(r));
  EXPECT_EQ(Value(r), b.meter.memory().archive[8256]);

  // A clock record of all one bits is taken as it is; the meter goes on answering.
  r = b.askOne(Request(0, 0, 0, 0xFFFFFFFF));
  EXPECT_EQ(Value(r), b.meter.clockPacked());
  EXPECT_TRUE(GoodReply(b.askOne(readClock)));
  EXPECT_EQ(b.meter.asciiValueText(3).size(), 7u);
  b.askOne(Request(0, 0, 0, 908151431));

  // Stop, address 0: console mode ends, no reply.
  EXPECT_TRUE(b.ask(Bytes({0x23, 0x00, 0x03, 0, 0, 0, 0, 0, 0, 0x33, 0x0D})).empty());
  EXPECT_FALSE(b.meter.consoleMode());
  EXPECT_TRUE(b.ask(readClock).empty());
}

TEST(SimMeter, ConsoleModeGatesTheTwoFrameForms) {
  Bench b;
  const std::string clock = Request(0, 1, 0);
  const std::string value0 = devlink::AsciiRequest(0, '0');
  EXPECT_TRUE(b.ask(clock).empty());    // binary frames wait for console mode
  EXPECT_EQ(b.ask(value0).size(), 1u);  // ASCII values are answered
  b.console();
  EXPECT_TRUE(b.meter.consoleMode());
  EXPECT_EQ(b.ask(clock).size(), 1u);
  EXPECT_TRUE(b.ask(value0).empty());   // no ASCII values in console mode
  b.ask(Request(0, 3, 0));
  EXPECT_FALSE(b.meter.consoleMode());
  EXPECT_EQ(b.ask(value0).size(), 1u);
  EXPECT_GE(b.meter.counters().ignored, 2);
}

TEST(SimMeter, ParametersAtTheSheetPositions) {
  Bench b;
  b.console();
  const float codes[] = {1, 1.5, 2, 3, 4, 5, 10, 20, 40, 80, 150, 300, 500, 1000};
  for (int ch = 0; ch < 2; ++ch) {
    const int o = 100 * ch;
    const auto p = [&](int pos) { return devlink::BitsFloat(Value(b.askOne(Request(0, 5, o + pos)))); };
    const float qmax = p(sim::param::Qmax);
    EXPECT_GT(qmax, 10);
    EXPECT_LT(qmax, 1000);
    EXPECT_GT(p(sim::param::D), 0.02f);
    EXPECT_LT(p(sim::param::D), 1.0f);
    EXPECT_GT(p(sim::param::Ld), p(sim::param::D));
    EXPECT_GT(p(sim::param::CutOff), 0);
    EXPECT_LT(p(sim::param::CutOff), qmax * 0.1f);
    EXPECT_NE(std::find(std::begin(codes), std::end(codes), p(sim::param::Averaging)), std::end(codes));
    EXPECT_NEAR(p(sim::param::Correction), 1.0, 0.02);
    EXPECT_GT(p(sim::param::PulseWeight), 0);
    EXPECT_GT(p(sim::param::CableLength), 0);
  }
  EXPECT_EQ(Value(b.askOne(Request(0, 5, 31))), b.meter.parameterBits(31));
  EXPECT_EQ(Value(b.askOne(Request(0, 5, 500))), 0u);
}

TEST(SimMeter, GsmSettingsWriteThenRead) {
  Bench b;
  b.console();
  const std::string text = "2+79119876543+79119876544+79119876545   ";
  ASSERT_EQ(text.size(), 40u);
  for (int i = 0; i < 40; ++i) {
    const std::string r = b.askOne(Request(0, 7, static_cast<std::uint16_t>(3900 + i),
                                           static_cast<unsigned char>(text[i])));
    ASSERT_TRUE(GoodReply(r)) << i;
  }
  EXPECT_EQ(b.meter.gsmSettings(), text);
  std::string back;
  for (int i = 0; i < 40; ++i)
    back += static_cast<char>(Value(b.askOne(Request(0, 8, static_cast<std::uint16_t>(3900 + i)))) & 0xFF);
  EXPECT_EQ(back, text);
  // Outside the settings records nothing is stored.
  b.askOne(Request(0, 7, 3940, 'X'));
  EXPECT_EQ(b.meter.gsmSettings(), text);
}

TEST(SimMeter, FreshGsmSettingsHaveTheirLayout) {
  Bench b;
  const std::string g = b.meter.gsmSettings();
  ASSERT_EQ(g.size(), 40u);
  EXPECT_EQ(g[0], '1');
  EXPECT_EQ(g[1], '+');
  EXPECT_EQ(g[13], '+');
  EXPECT_EQ(g[25], '+');
  EXPECT_EQ(g.substr(37), "   ");
}

// --- Archive ---

TEST(SimMeter, DaySlotsLieInTheirBanksWithTheirStamps) {
  Bench b;  // now 2009-08-15 14:05
  const auto& a = b.meter.memory().archive;
  struct Case { int month, day; std::uint32_t stamp; };
  const Case cases[] = {
      {8, 15, 908150000}, {8, 1, 908010000}, {7, 31, 907310000}, {6, 30, 906300000},
      {5, 1, 905010000},  {4, 20, 904200000},  // April after the 15th: still in bank 3
      {4, 10, 908100000},                      // April 10th: overwritten by August 10th
  };
  for (const auto& c : cases) {
    const int pos = sim::DaySlotPosition(c.month, c.day);
    EXPECT_EQ(a[pos + 48], c.stamp) << c.month << "." << c.day;
    EXPECT_EQ(a[pos + 52], 3u);
    EXPECT_EQ(a[pos + 53], 2u);
  }
  EXPECT_EQ(sim::DaySlotPosition(8, 15), 6848);
  EXPECT_EQ(sim::DaySlotPosition(2, 10), 2560);
  EXPECT_EQ(a[sim::DaySlotPosition(6, 31) + 48], sim::kErased);  // no 31st of June

  // Today: readings up to the current hour, zero after it; readings rise.
  const int today = sim::DaySlotPosition(8, 15);
  for (int h = 0; h <= 14; ++h) {
    EXPECT_NE(a[today + 2 * h], 0u) << h;
    if (h > 0) {
      EXPECT_GE(a[today + 2 * h], a[today + 2 * h - 2]);
      EXPECT_GE(a[today + 2 * h + 1], a[today + 2 * h - 1]);
    }
  }
  for (int h = 15; h < 24; ++h) EXPECT_EQ(a[today + 2 * h], 0u) << h;
  // Yesterday's last reading lies below today's first; operating times rise by the day.
  const int yesterday = sim::DaySlotPosition(8, 14);
  EXPECT_LT(a[yesterday + 46], a[today]);
  EXPECT_GT(a[today + 49], a[yesterday + 49]);
  EXPECT_LE(a[today + 49] - a[yesterday + 49], 2400u);

  // The record arrives over the wire as stored.
  b.console();
  EXPECT_EQ(Value(b.askOne(Request(1, 6, static_cast<std::uint16_t>(today + 48)))), 908150000u);
  EXPECT_EQ(Value(b.askOne(Request(1, 6, 12800))), sim::kErased);
}

TEST(SimMeter, MonthEntriesWithPointCodes) {
  Bench b;
  const auto& a = b.meter.memory().archive;
  std::uint32_t previous = 0;
  for (int back = 23; back >= 0; --back) {
    const int index = 2009 * 12 + 7 - back;
    const int y = index / 12, m = index % 12 + 1;
    const int pos = sim::MonthEntryPosition(y, m);
    ASSERT_GE(pos, 130 * 64);
    ASSERT_LT(pos, 146 * 64);  // within the by-months read
    EXPECT_EQ(a[pos], sim::PackClock({y, m, 1})) << y << "." << m;
    EXPECT_GT(a[pos + 1], previous);
    previous = a[pos + 1];
    const int slot = pos / 64 * 64;
    EXPECT_EQ(a[slot + 62], 3u);
    EXPECT_EQ(a[slot + 63], 2u);
  }
  // The August entry holds the reading of August 1st, 00:00 like the day slot.
  EXPECT_EQ(a[sim::MonthEntryPosition(2009, 8) + 1], a[sim::DaySlotPosition(8, 1)]);
  EXPECT_EQ(a[sim::MonthEntryPosition(2009, 8) + 3], a[sim::DaySlotPosition(8, 1) + 49]);
}

TEST(SimMeter, MemoryFollowsSeedAndMoment) {
  const double now = platform::EncodeDateTime({2012, 3, 4, 5, 6});
  const sim::MeterMemory a = sim::GenerateMemory(7, now), b = sim::GenerateMemory(7, now);
  EXPECT_EQ(a.archive, b.archive);
  EXPECT_EQ(a.params, b.params);
  EXPECT_EQ(a.gsm, b.gsm);
  const sim::MeterMemory c = sim::GenerateMemory(8, now);
  EXPECT_NE(a.archive, c.archive);
  EXPECT_EQ(a.archive[sim::DaySlotPosition(3, 4) + 48], 1203040000u);

  sim::SimOptions o;
  o.memoryNow = platform::DateTime{2012, 3, 4, 5, 6};
  platform::VirtualLoop loop;
  sim::Meter meter(loop, o);
  EXPECT_EQ(meter.memory().archive[sim::DaySlotPosition(3, 4) + 48], 1203040000u);
}

// --- ASCII values ---

TEST(SimMeter, AsciiRepliesAsTheMonitorReadsThem) {
  Bench b;
  std::vector<double> v(12);
  for (int n = 0; n < 12; ++n) {
    const char command = "0123456789AB"[n];
    const std::string r = b.askOne(devlink::AsciiRequest(0, command));
    ASSERT_EQ(r.size(), 11u) << n;
    EXPECT_EQ(r[0], '>');
    EXPECT_EQ(r[10], '\r');
    const auto text = devlink::AsciiReplyText(r, n < 2);
    ASSERT_TRUE(text.has_value());
    const auto value = devlink::ParseCommaNumber(*text);
    ASSERT_TRUE(value.has_value()) << n << " [" << r << "]";
    v[n] = *value;
    if (n < 2) {
      // The comma's position less 3 is the channel's point code.
      const int code = static_cast<int>(text->find(',')) + 1 - 3;
      EXPECT_EQ(code, b.meter.memory().flow.pointCode[n]) << r;
    }
  }
  EXPECT_GT(v[0], 0);
  EXPECT_GT(v[1], 0);
  EXPECT_GT(v[6], 0);  // both channels normal
  EXPECT_GT(v[7], 0);
  // Counter: high x 100000 + low is the raw reading; operating time in tenths of an hour.
  const double t = b.meter.clockNow();
  EXPECT_NEAR(v[2] * 100000 + v[3], b.meter.flow().counter(0, t), 1000);
  EXPECT_NEAR(v[4] * 100000 + v[5], b.meter.flow().counter(1, t), 1000);
  EXPECT_NEAR((v[8] * 100000 + v[9]) / 10, b.meter.flow().operatingTime(0, t) / 100.0, 1);
  EXPECT_NEAR((v[10] * 100000 + v[11]) / 10, b.meter.flow().operatingTime(1, t) / 100.0, 1);

  // Checksum digits: the sum of the first eight characters.
  const std::string r = b.meter.asciiReply(6);
  unsigned sum = 0;
  for (int i = 0; i < 8; ++i) sum += static_cast<unsigned char>(r[i]);
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", sum & 0xFF);
  EXPECT_EQ(r.substr(8, 2), hex);
}

TEST(SimMeter, LiveValuesMoveAndChannel2Fails) {
  Bench b;
  const std::string flow0 = b.meter.asciiValueText(0);
  const std::string low0 = b.meter.asciiValueText(3);
  b.loop.runFor(20 * 60 * 1000);
  EXPECT_NE(b.meter.asciiValueText(0), flow0);
  EXPECT_NE(b.meter.asciiValueText(3), low0);
  const auto counter = [&](int ch) {
    return std::stol(b.meter.asciiValueText(2 + 2 * ch)) * 100000 +
           std::stol(b.meter.asciiValueText(3 + 2 * ch));
  };
  const long c1 = counter(0), c2 = counter(1);
  b.loop.runFor(3600 * 1000);
  EXPECT_GT(counter(0), c1);
  EXPECT_GT(counter(1), c2);

  b.meter.setChannel2Fault(true);
  const auto state = [&](char command) {
    const std::string r = b.askOne(devlink::AsciiRequest(0, command));
    return *devlink::ParseCommaNumber(*devlink::AsciiReplyText(r, false));
  };
  EXPECT_GT(state('6'), 0);
  EXPECT_LE(state('7'), 0);
  b.meter.setChannel2Fault(false);
  EXPECT_GT(state('7'), 0);

  sim::SimOptions o;
  o.channel2Fault = true;
  Bench f(o);
  EXPECT_EQ(f.meter.asciiValueText(7), "      0");
}

// --- Framing ---

TEST(SimMeter, FramesArriveInAnyPieces) {
  Bench b;
  b.console();
  const std::string req = "xx+++" + Request(0, 1, 0) + "\r\n" + devlink::AsciiRequest(0, 'F') +
                          Request(0, 5, 31);
  b.replies.clear();
  for (char c : req) {
    b.meter.receive(std::string(1, c));
    b.loop.runFor(1);
  }
  b.loop.runFor(10);
  ASSERT_EQ(b.replies.size(), 2u);
  EXPECT_EQ(Value(b.replies[0]), 908151405u);
  EXPECT_EQ(Value(b.replies[1]), b.meter.parameterBits(31));
  EXPECT_GT(b.meter.counters().noiseBytes, 0);
}

TEST(SimMeter, OwnAddressAndBadChecksumsAreIgnored) {
  sim::SimOptions o;
  o.address = 7;
  Bench b(o);
  EXPECT_TRUE(b.ask(devlink::AsciiRequest(6, '0')).empty());
  EXPECT_EQ(b.ask(devlink::AsciiRequest(7, '0')).size(), 1u);
  b.ask(devlink::AsciiRequest(7, 'F'));
  EXPECT_TRUE(b.ask(Request(6, 1, 0)).empty());
  EXPECT_EQ(b.ask(Request(7, 1, 0)).size(), 1u);
  std::string bad = Request(7, 1, 0);
  bad[9] = static_cast<char>(bad[9] + 1);
  EXPECT_TRUE(b.ask(bad).empty());
  EXPECT_TRUE(b.ask("#070C8\r").empty());  // ASCII with a wrong checksum
  EXPECT_EQ(b.meter.counters().badChecksums, 2);
  // The default meter answers every address.
  Bench all;
  EXPECT_EQ(all.ask(devlink::AsciiRequest(200, '0')).size(), 1u);
}

// --- Faults ---

namespace {

std::string Outcomes(std::uint64_t seed, const sim::FaultOptions& faults, int requests) {
  sim::SimOptions o;
  o.seed = seed;
  o.faults = faults;
  Bench b(o);
  b.console();
  std::string out;
  for (int i = 0; i < requests; ++i) {
    const auto r = b.ask(Request(0, 6, static_cast<std::uint16_t>(i)), 2000);
    if (r.empty()) out += '-';
    else if (r[0].size() < 11) out += 'p';
    else if (r[0].size() > 11) out += 's';
    else if (!GoodReply(r[0])) out += 'c';
    else out += 'g';
  }
  return out;
}

}  // namespace

TEST(SimMeter, FaultsRepeatWithTheSeed) {
  sim::FaultOptions f;
  f.dropProbability = 0.1;
  f.corruptProbability = 0.1;
  f.partialProbability = 0.1;
  f.surplusProbability = 0.1;
  const std::string a = Outcomes(42, f, 200), b = Outcomes(42, f, 200), c = Outcomes(43, f, 200);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  for (char kind : std::string("-pscg")) EXPECT_NE(a.find(kind), std::string::npos) << kind;

  sim::SimOptions o;
  o.seed = 42;
  o.faults = f;
  Bench counted(o);
  counted.console();
  for (int i = 0; i < 200; ++i) counted.ask(Request(0, 6, static_cast<std::uint16_t>(i)), 2000);
  const auto& n = counted.meter.counters();
  EXPECT_EQ(n.dropped, static_cast<long>(std::count(a.begin(), a.end(), '-')));
  EXPECT_EQ(n.partial, static_cast<long>(std::count(a.begin(), a.end(), 'p')));
  EXPECT_EQ(n.surplus, static_cast<long>(std::count(a.begin(), a.end(), 's')));
  EXPECT_EQ(n.replies, 200 - n.dropped);
  EXPECT_GE(n.corrupted, static_cast<long>(std::count(a.begin(), a.end(), 'c')));
}

TEST(SimMeter, LateRepliesAndSilence) {
  sim::SimOptions o;
  o.latencyMs = 5;
  o.faults.lateProbability = 1;
  o.faults.lateMs = 3000;
  o.faults.silentAfter = 2;
  Bench b(o);
  b.console();
  EXPECT_TRUE(b.ask(Request(0, 1, 0), 3000).empty());  // not yet
  b.loop.runFor(10);
  EXPECT_EQ(b.replies.size(), 1u);  // 3005 ms after the request
  EXPECT_EQ(b.ask(Request(0, 1, 0), 4000).size(), 1u);
  EXPECT_TRUE(b.ask(Request(0, 1, 0), 4000).empty());  // silent after two replies
  EXPECT_EQ(b.meter.counters().late, 2);
  EXPECT_EQ(b.meter.counters().silenced, 1);
}

// --- The in-memory line with MSComm ---

TEST(SimulatedLine, ClockSetAndReadThroughThePort) {
  platform::VirtualLoop loop;
  sim::SimulatedLine sim(loop);
  platform::MSComm comm(sim.factory());
  comm.CommPort = "sim";
  comm.Settings = "9600,N,8,1";
  comm.InputMode = platform::MSComm::comInputModeBinary;
  comm.SetPortOpen(true);
  comm.Output(devlink::AsciiRequest(0, 'F'));
  comm.Output(Request(0, 0, 0, 1001010000));  // 2010-01-01 00:00
  ASSERT_TRUE(loop.runUntil([&] { return comm.InBufferCount() == 11; }, 1000));
  EXPECT_TRUE(GoodReply(comm.Input()));
  comm.Output(Request(0, 1, 0));
  ASSERT_TRUE(loop.runUntil([&] { return comm.InBufferCount() == 11; }, 1000));
  EXPECT_EQ(Value(comm.Input()), 1001010000u);
  // 9600 baud: 11 bytes each way take about 23 ms.
  EXPECT_GE(loop.monotonicMs(), 20);
  EXPECT_EQ(sim.meter().counters().binaryRequests, 2);
}

TEST(SimulatedLine, ModemDialPassThroughEscapeHangUp) {
  platform::VirtualLoop loop;
  sim::SimOptions o;
  o.modem = true;
  o.modemOptions.connectDelayMs = 8000;
  sim::SimulatedLine sim(loop, o);
  ASSERT_NE(sim.modem(), nullptr);
  platform::MSComm comm(sim.factory());
  comm.CommPort = "sim";
  comm.SetPortOpen(true);

  // Command state: the meter hears nothing.
  comm.Output(devlink::AsciiRequest(0, '0'));
  loop.runFor(100);
  EXPECT_EQ(comm.Input(), "\r\nERROR\r\n");
  comm.Output("AT\r");
  loop.runFor(100);
  EXPECT_EQ(comm.Input(), "\r\nOK\r\n");
  EXPECT_EQ(sim.meter().counters().asciiRequests, 0);

  // The bare number dials.
  comm.Output("+79001234567\r");
  loop.runFor(7000);
  EXPECT_EQ(comm.InBufferCount(), 0u);
  loop.runFor(2000);
  EXPECT_EQ(comm.Input(), "\r\nCONNECT 9600\r\n");
  EXPECT_EQ(sim.modem()->state(), sim::Modem::State::Data);
  EXPECT_EQ(sim.modem()->lastDialled(), "+79001234567");

  // Data state: frames pass to the meter and back.
  comm.Output(devlink::AsciiRequest(0, 'F'));
  comm.Output(Request(0, 1, 0));
  ASSERT_TRUE(loop.runUntil([&] { return comm.InBufferCount() == 11; }, 1000));
  EXPECT_TRUE(GoodReply(comm.Input()));

  // "+++", then a quiet second: command state again.
  comm.Output("+++");
  loop.runFor(500);
  EXPECT_EQ(comm.InBufferCount(), 0u);
  loop.runFor(1000);
  EXPECT_EQ(comm.Input(), "\r\nOK\r\n");
  EXPECT_EQ(sim.modem()->state(), sim::Modem::State::Command);
  comm.Output("ATH\r");
  loop.runFor(100);
  EXPECT_EQ(comm.Input(), "\r\nOK\r\n");
  EXPECT_FALSE(sim.modem()->callUp());

  // ATD dials too.
  comm.Output("ATD89001234567\r");
  loop.runFor(9000);
  EXPECT_EQ(comm.Input(), "\r\nCONNECT 9600\r\n");
  EXPECT_EQ(sim.modem()->lastDialled(), "89001234567");
}

TEST(SimulatedLine, PlusBytesInsideDataAreNoEscape) {
  platform::VirtualLoop loop;
  sim::SimOptions o;
  o.modem = true;
  sim::SimulatedLine sim(loop, o);
  sim::Modem& modem = *sim.modem();
  std::string got;
  modem.send = [&](const std::string& b) { got += b; };
  modem.receive("123\r");
  loop.runFor(10);
  EXPECT_EQ(modem.state(), sim::Modem::State::Data);
  modem.receive("+++X");  // more data right after: not an escape
  loop.runFor(3000);
  EXPECT_EQ(modem.state(), sim::Modem::State::Data);
  EXPECT_EQ(modem.escapes(), 0);
}

TEST(SimulatedLine, FailedDialStaysInCommandState) {
  platform::VirtualLoop loop;
  sim::SimOptions o;
  o.modem = true;
  o.modemOptions.dialReply = "NO CARRIER";
  sim::SimulatedLine sim(loop, o);
  platform::MSComm comm(sim.factory());
  comm.CommPort = "sim";
  comm.SetPortOpen(true);
  comm.Output("89001234567\r");
  loop.runFor(100);
  EXPECT_EQ(comm.Input(), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(sim.modem()->state(), sim::Modem::State::Command);
}

// --- Memory file ---

TEST(SimMemoryFile, SavedMemoryLoadsAgain) {
  Bench b;
  b.console();
  b.ask(Request(0, 7, 3900, 'Z'));
  b.ask(Request(0, 0, 0, 1001010000));
  const std::string path = ::testing::TempDir() + "sim_memory.json";
  sim::SaveMemoryFile(b.meter.memory(), path);
  const sim::MeterMemory m = sim::LoadMemoryFile(path);
  EXPECT_EQ(m.archive, b.meter.memory().archive);
  EXPECT_EQ(m.params, b.meter.memory().params);
  EXPECT_EQ(m.gsm, b.meter.memory().gsm);
  EXPECT_EQ(m.gsm[0], 'Z');
  EXPECT_DOUBLE_EQ(m.clockOffsetDays, b.meter.memory().clockOffsetDays);
  EXPECT_EQ(m.flow.seed, b.meter.memory().flow.seed);
  EXPECT_EQ(m.flow.startHour, b.meter.memory().flow.startHour);

  sim::SimOptions other;
  other.seed = 99;
  Bench c(other);
  c.meter.setMemory(m);
  c.loop.runFor(b.loop.monotonicMs());  // the same moment as b's
  EXPECT_EQ(c.meter.clockPacked(), 1001010000u);
  EXPECT_EQ(c.meter.asciiValueText(3), b.meter.asciiValueText(3));

  EXPECT_THROW(sim::LoadMemoryFile(::testing::TempDir() + "no_such_memory.json"),
               platform::FileError);
  std::remove(path.c_str());
}
