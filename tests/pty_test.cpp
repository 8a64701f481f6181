// End to end: the tm517sim program on a pseudo-terminal, opened through the Qt serial port,
// and the in-process port name "sim".
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <string>

#include "e2e_support.h"
#include "link/frames.h"
#include "platform/qt/qt_loop.h"
#include "platform/qt/qt_serial.h"
#include "platform/serial.h"
#include "sim/memory_file.h"
#include "sim/pty_host.h"
#include "sim/sim_port.h"

namespace {

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "pty_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return *app;
}

// Runs the Qt event loop until `done` holds or `ms` pass.
bool RunUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  QEventLoop events;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (done() || clock.elapsed() > ms) events.quit();
  });
  tick.start(2);
  if (!done()) events.exec();
  return done();
}

std::unique_ptr<platform::MSComm> OpenPort(const std::string& path, const std::string& settings) {
  auto comm = std::make_unique<platform::MSComm>([](const std::string& port) {
    return platform::OpenQtSerialDevice(platform::PortPath(port));
  });
  comm->CommPort = path;
  comm->Settings = settings;
  comm->InputMode = platform::MSComm::comInputModeBinary;
  comm->SetPortOpen(true);
  comm->SetRTSEnable(true);
  return comm;
}

std::string Request(std::uint8_t command, std::uint16_t position, std::uint32_t data = 0) {
  return devlink::FrameBytes(devlink::BinaryRequest(0, command, position, data));
}

}  // namespace

TEST(Tm517sim, BinaryAndAsciiRoundTrips) {
  App();
  e2e::SimProcess sim({"--seed", "3", "--baud", "19200", "--latency", "2"});
  ASSERT_EQ(sim.path().rfind("/dev/pts/", 0), 0u) << sim.path();
  platform::QtLoop loop;
  auto comm = OpenPort(sim.path(), "19200,N,8,1");

  comm->Output(devlink::AsciiRequest(0, 'F'));
  comm->Output(Request(1, 0, 0x449A4333));
  ASSERT_TRUE(RunUntil([&] { return comm->InBufferCount() >= 11; }, 2000));
  RunUntil([] { return false; }, 20);  // nothing more comes
  const std::string reply = comm->Input();
  ASSERT_EQ(reply.size(), 11u);
  const devlink::Frame f = devlink::FrameFromBytes(reply);
  EXPECT_TRUE(devlink::ReplyChecksumOk(f));
  const std::uint32_t clock = devlink::ReplyValue(f);
  EXPECT_GE(clock / 100000000u, 20u);  // a year from 2020 on
  EXPECT_LE(clock % 100u, 59u);

  // Set the clock, read it back.
  comm->Output(Request(0, 0, 1001010000));
  ASSERT_TRUE(RunUntil([&] { return comm->InBufferCount() >= 11; }, 2000));
  comm->Input();
  comm->Output(Request(1, 0));
  ASSERT_TRUE(RunUntil([&] { return comm->InBufferCount() >= 11; }, 2000));
  EXPECT_EQ(devlink::ReplyValue(devlink::FrameFromBytes(comm->Input())), 1001010000u);

  // Stop, then an ASCII poll of the current flow.
  comm->Output(Request(3, 0));
  comm->Output(devlink::AsciiRequest(0, '0'));
  ASSERT_TRUE(RunUntil([&] { return comm->InBufferCount() >= 11; }, 2000));
  const std::string text = comm->Input();
  ASSERT_EQ(text.size(), 11u) << text;
  const auto value = devlink::AsciiReplyText(text, true);
  ASSERT_TRUE(value.has_value()) << text;
  EXPECT_TRUE(devlink::ParseCommaNumber(*value).has_value()) << text;

  comm->SetPortOpen(false);
  // An idle simulator sleeps.
  const long before = sim.cpuTicks();
  usleep(700000);
  EXPECT_LE(sim.cpuTicks() - before, 3);
  EXPECT_EQ(sim.stop(), 0);
}

TEST(Tm517sim, ModemFrontAndSavedMemory) {
  App();
  const std::string file = ::testing::TempDir() + "tm517sim_memory.json";
  std::remove(file.c_str());
  e2e::SimProcess sim({"--modem", "--seed", "5", "--memory-now", "2011-02-03T04:05", "--save-memory",
                  file});
  ASSERT_FALSE(sim.path().empty());
  platform::QtLoop loop;
  auto comm = OpenPort(sim.path(), "115200,N,8,1");
  comm->Output("89001234567\r");
  std::string answer;
  ASSERT_TRUE(RunUntil(
      [&] {
        answer += comm->Input();
        return answer.find("\r\nCONNECT 9600\r\n") != std::string::npos;
      },
      2000));
  comm->Output(devlink::AsciiRequest(0, 'F'));
  comm->Output(Request(7, 3900, 'Q'));
  ASSERT_TRUE(RunUntil([&] { return comm->InBufferCount() >= 11; }, 2000));
  EXPECT_EQ(devlink::ReplyValue(devlink::FrameFromBytes(comm->Input())), static_cast<unsigned>('Q'));
  comm->SetPortOpen(false);
  EXPECT_EQ(sim.stop(), 0);

  const sim::MeterMemory m = sim::LoadMemoryFile(file);
  EXPECT_EQ(m.gsm[0], 'Q');
  EXPECT_EQ(m.archive[sim::DaySlotPosition(2, 3) + 48], 1102030000u);
  std::remove(file.c_str());
}

TEST(SimPort, InProcessMeterBehindTheNameSim) {
  App();
  platform::QtLoop loop;
  sim::SimOptions options;
  options.seed = 11;
  platform::MSComm comm([&](const std::string& port) -> std::unique_ptr<platform::SerialDevice> {
    if (port == "sim") return sim::OpenSimulatedPort(loop, options);
    return platform::OpenQtSerialDevice(platform::PortPath(port));
  });
  comm.CommPort = "sim";
  comm.Settings = "9600,N,8,1";
  comm.InputMode = platform::MSComm::comInputModeBinary;
  comm.SetPortOpen(true);
  comm.SetRTSEnable(true);
  QElapsedTimer clock;
  clock.start();
  comm.Output(devlink::AsciiRequest(0, 'F'));
  comm.Output(Request(5, 31));
  ASSERT_TRUE(RunUntil([&] { return comm.InBufferCount() >= 11; }, 2000));
  // 7 + 11 bytes out and 11 back at 9600 baud: about 30 ms of line time.
  EXPECT_GE(clock.elapsed(), 25);
  const devlink::Frame f = devlink::FrameFromBytes(comm.Input());
  EXPECT_TRUE(devlink::ReplyChecksumOk(f));
  EXPECT_GT(devlink::BitsFloat(devlink::ReplyValue(f)), 10.0f);  // Qmax of channel 1
  comm.SetPortOpen(false);
  // Open again: a fresh simulator.
  comm.SetPortOpen(true);
  comm.Output(devlink::AsciiRequest(0, '6'));
  ASSERT_TRUE(RunUntil([&] { return comm.InBufferCount() >= 11; }, 2000));
  EXPECT_EQ(comm.Input().substr(0, 8), ">      1");
  comm.SetPortOpen(false);
}

TEST(PtyHost, ReopenedTerminalHoldsNoStaleReplies) {
  App();
  platform::QtLoop loop;
  sim::SimOptions options;
  options.latencyMs = 50;
  sim::PtyHost host(loop, options);
  auto comm = OpenPort(host.path(), "115200,N,8,1");
  comm->Output(devlink::AsciiRequest(0, '0'));
  comm->SetPortOpen(false);  // before the reply comes
  RunUntil([&] { return host.meter().counters().replies == 1; }, 1000);
  RunUntil([] { return false; }, 100);
  comm->SetPortOpen(true);
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(comm->InBufferCount(), 0u);
  // The line works as before.
  comm->Output(devlink::AsciiRequest(0, '1'));
  ASSERT_TRUE(RunUntil([&] { return comm->InBufferCount() >= 11; }, 2000));
  EXPECT_EQ(comm->Input().size(), 11u);
}
