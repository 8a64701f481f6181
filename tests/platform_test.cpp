// The platform layer: day counts, the virtual-time loop and timers, line settings, port
// names, Windows-1251 and number conversion.
#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/serial.h"
#include "platform/text.h"
#include "platform/virtual/memory_line.h"
#include "platform/virtual/virtual_loop.h"

using namespace platform;

TEST(DayCount, KnownDatesAndRoundTrip) {
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1}), 2.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime({2009, 8, 15, 12, 0, 0, 0}), 40040.5);
  const DateTime t = DecodeDateTime(EncodeDateTime({2009, 8, 15, 14, 5, 59, 0}));
  EXPECT_EQ(t.year, 2009);
  EXPECT_EQ(t.month, 8);
  EXPECT_EQ(t.day, 15);
  EXPECT_EQ(t.hour, 14);
  EXPECT_EQ(t.minute, 5);
  EXPECT_EQ(t.second, 59);
  const DateTime leap = DecodeDateTime(EncodeDateTime({2024, 2, 29, 23, 59, 0, 0}));
  EXPECT_EQ(leap.month, 2);
  EXPECT_EQ(leap.day, 29);
}

TEST(VirtualLoop, RunsEventsInTimeOrderWithoutWaiting) {
  VirtualLoop loop;
  std::vector<int> order;
  loop.schedule(30000, [&] { order.push_back(30000); });
  loop.schedule(10, [&] { order.push_back(10); });
  loop.schedule(0, [&] { order.push_back(0); });
  const auto cancelled = loop.schedule(5, [&] { order.push_back(5); });
  loop.schedule(10, [&] { order.push_back(11); });  // same time: in scheduling order
  loop.cancel(cancelled);
  const double before = loop.now();
  loop.runFor(30000);
  EXPECT_EQ(order, (std::vector<int>{0, 10, 11, 30000}));
  EXPECT_EQ(loop.monotonicMs(), 30000);
  EXPECT_NEAR((loop.now() - before) * 86400.0, 30.0, 1e-6);
}

TEST(VirtualLoop, TimerTicksAndOneShotDisablesItself) {
  VirtualLoop loop;
  Timer ticking(loop, 1000, true);
  Timer oneShot(loop, 30000, false);
  int ticks = 0, shots = 0;
  ticking.OnTimer = [&] { ++ticks; };
  oneShot.OnTimer = [&] { ++shots; oneShot.SetEnabled(false); };
  oneShot.SetEnabled(true);
  loop.runFor(65000);
  EXPECT_EQ(ticks, 65);
  EXPECT_EQ(shots, 1);
  ticking.SetInterval(100);  // takes effect at once
  loop.runFor(1000);
  EXPECT_EQ(ticks, 75);
}

TEST(LineSettings, ParsesTheListAndRejectsOthers) {
  for (const char* text : {"600,N,8,1", "9600,N,8,1", "115200,N,8,1", "19200,E,7,2"})
    EXPECT_NO_THROW(ParseLineSettings(text)) << text;
  const LineSettings s = ParseLineSettings("57600,N,8,1");
  EXPECT_EQ(s.baud, 57600);
  EXPECT_EQ(s.parity, 'N');
  for (const char* text : {"9600,Q,8,1", "abc", "", "9600,N,8", "9600,N,9,1", "9600,N,8,3",
                           "-9600,N,8,1", "0,N,8,1"})
    EXPECT_THROW(ParseLineSettings(text), PortError) << text;
}

TEST(PortNames, NumbersPathsAndNonsense) {
  EXPECT_EQ(PortPath("1"), "/dev/ttyS0");
  EXPECT_EQ(PortPath("9"), "/dev/ttyS8");
  EXPECT_EQ(PortPath("/dev/ttyUSB0"), "/dev/ttyUSB0");
  for (const char* text : {"x", "0", "", "-1", "COM1"}) EXPECT_THROW(PortPath(text), PortError) << text;
}

TEST(Cp1251, RoundTripsRussianAndRefusesWhatItCannotHold) {
  const std::string utf8 = "Архив ёЁ №1 «Ж»";
  const std::string bytes = ToCp1251(utf8);
  EXPECT_EQ(bytes.size(), 15u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xC0);  // А
  EXPECT_EQ(static_cast<unsigned char>(ToCp1251("Ж")[0]), 0xC6);
  EXPECT_EQ(static_cast<unsigned char>(ToCp1251("№")[0]), 0xB9);
  EXPECT_EQ(FromCp1251(bytes), utf8);
  EXPECT_FALSE(TryToCp1251("日本").has_value());
  EXPECT_FALSE(TryToCp1251("\xff").has_value());
  EXPECT_THROW(ToCp1251("€ ok, but 😀 not"), ConversionError);
  std::string all;
  for (int b = 0; b < 256; ++b)
    if (b != 0x98) all += static_cast<char>(b);  // 0x98 is unassigned
  EXPECT_EQ(TryToCp1251(FromCp1251(all)), all);
}

TEST(Integers, ParseLikeThePlatformConversion) {
  EXPECT_EQ(ParseInteger("300"), 300);
  EXPECT_EQ(ParseInteger(" -5 "), -5);
  for (const char* text : {"abc", "", "1.5", "12a", "-", "99999999999999999999"})
    EXPECT_THROW(ParseInteger(text), ConversionError) << text;
}

TEST(MemoryLine, BytesCrossAtTheLineSpeed) {
  VirtualLoop loop;
  MemoryLine line(loop);
  MSComm comm(line.factory());
  comm.Settings = "9600,N,8,1";  // 1041 us a byte
  std::string peerGot;
  line.onPeerReceives = [&](const std::string& b) { peerGot += b; };
  comm.SetPortOpen(true);
  comm.Output("#00FF\r");
  loop.runFor(5);
  EXPECT_EQ(peerGot.size(), 4u);
  loop.runFor(10);
  EXPECT_EQ(peerGot, "#00FF\r");
  line.peerSend("ok");
  loop.runFor(3);
  EXPECT_EQ(comm.InBufferCount(), 2u);
  EXPECT_EQ(comm.Input(), "ok");
  comm.SetPortOpen(false);
  EXPECT_THROW(comm.Output("x"), PortError);
  comm.SetPortOpen(false);  // closing twice does no harm
}

TEST(MemoryLine, BytesWrittenRightBeforeCloseStillCrossTheLine) {
  // Stop writes its frame and closes the port at once: the closed port's device is gone by
  // the time the bytes arrive, and the line must not reach back into it.
  VirtualLoop loop;
  MemoryLine line(loop);
  MSComm comm(line.factory());
  std::string peerGot;
  line.onPeerReceives = [&](const std::string& b) { peerGot += b; };
  comm.SetPortOpen(true);
  comm.Output("stop");
  comm.SetPortOpen(false);
  loop.runFor(10);
  EXPECT_EQ(peerGot, "stop");
}
