// The traffic trace: its lines for open, write, read, close, failures and a lost device, and a
// line that carries the same bytes with tracing as without.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/serial.h"
#include "platform/trace.h"
#include "platform/virtual/memory_line.h"
#include "platform/virtual/virtual_loop.h"

using namespace platform;

namespace {

// The loop starts at 2009-08-15 14:05:00.000; 115200 baud moves a byte in 86 us.
constexpr const char* kAtStart = "2009-08-15 14:05:00.000 ";
constexpr const char* kAfter5ms = "2009-08-15 14:05:00.005 ";

// A stop request and its reply, with the bytes that a careless copy would lose (00, 0D, FF).
const std::string kRequest("#\x00\x03\x00\x00\x00\x00\x00\x00\x33\r", 11);
const std::string kReply(">\x00\x03\x00\x00\xFF\x00\x00\x00\x4E\r", 11);

std::string TracePath() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + "trace_" + test->test_suite_name() + "_" + test->name() + ".txt";
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A device that fails the way a missing or broken port does.
class FailingDevice : public SerialDevice {
 public:
  void open(const LineSettings&) override { throw PortError("нет такого устройства"); }
  void close() override {}
  bool isOpen() const override { return false; }
  void setRts(bool) override {}
  std::size_t bytesWaiting() override { return 0; }
  std::string readAll() override { return {}; }
  void write(std::string_view) override { throw PortError("ошибка записи"); }
};

class Trace : public ::testing::Test {
 protected:
  VirtualLoop loop;
  MemoryLine line{loop};
  std::string path = TracePath();
  // The file is read while the log is still open: each line must be on disk already.
  std::shared_ptr<TraceLog> log = std::make_shared<TraceLog>(path, [this] { return loop.now(); });
  MSComm comm{TracingFactory(line.factory(), log)};

  void Open(const std::string& port) {
    comm.CommPort = port;
    comm.Settings = "115200,N,8,1";
    comm.SetPortOpen(true);
  }
  std::vector<std::string> TraceLines() const { return Lines(path); }
};

TEST_F(Trace, OpenWriteReadCloseEachMakeOneLine) {
  Open("/dev/pts/3");
  comm.Output(kRequest);
  EXPECT_EQ(comm.Input(), "");  // nothing waiting: no line
  line.peerSend(kReply);
  loop.runFor(5);
  EXPECT_EQ(comm.Input(), kReply);
  comm.SetPortOpen(false);
  comm.SetPortOpen(false);  // closing a closed port is not traced again

  EXPECT_EQ(TraceLines(), (std::vector<std::string>{
      std::string(kAtStart) + "open /dev/pts/3 115200,N,8,1",
      std::string(kAtStart) + "> 23 00 03 00 00 00 00 00 00 33 0D",
      std::string(kAfter5ms) + "< 3E 00 03 00 00 FF 00 00 00 4E 0D",
      std::string(kAfter5ms) + "close /dev/pts/3",
  }));
}

TEST_F(Trace, PortNamesAndSettingsAsOpened) {
  struct Case {
    std::string port, settings, device, tracedSettings;
  };
  const std::vector<Case> cases = {
      {"8", "9600,n,8,2", "/dev/ttyS7", "9600,N,8,2"},  // a number is traced as its device
      {"/dev/ttyUSB0", "19200,E,7,1", "/dev/ttyUSB0", "19200,E,7,1"},
      {"sim", "115200,N,8,1", "sim", "115200,N,8,1"},
  };
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    comm.CommPort = c.port;
    comm.Settings = c.settings;
    comm.SetPortOpen(true);
    comm.SetPortOpen(false);
    expected.push_back(kAtStart + ("open " + c.device + ' ' + c.tracedSettings));
    expected.push_back(kAtStart + ("close " + c.device));
  }
  EXPECT_EQ(TraceLines(), expected);
}

TEST_F(Trace, PortRefusedByTheFactoryIsAnErrorLine) {
  try {
    Open("COM1");
    FAIL() << "a port text that is no port opened";
  } catch (const PortError& e) {
    EXPECT_EQ(TraceLines(), (std::vector<std::string>{kAtStart + ("error COM1: " +
                                                                   std::string(e.what()))}));
  }
}

TEST_F(Trace, FailedOpenAndWriteOfTheDeviceAreErrorLinesAndStillThrow) {
  auto device = TraceDevice(std::make_unique<FailingDevice>(), log, "/dev/ttyS7");
  EXPECT_THROW(device->open({}), PortError);
  EXPECT_THROW(device->write("A"), PortError);
  EXPECT_EQ(TraceLines(), (std::vector<std::string>{
      std::string(kAtStart) + "error /dev/ttyS7: нет такого устройства",
      std::string(kAtStart) + "> 41",
      std::string(kAtStart) + "error /dev/ttyS7: ошибка записи",
  }));
}

TEST_F(Trace, LostDeviceIsAnErrorThenAClose) {
  std::string heard;
  comm.OnLost = [&](const std::string& message) { heard = message; };
  Open("/dev/ttyUSB0");
  line.pull();
  EXPECT_EQ(heard, "Устройство последовательного порта отключено");
  EXPECT_FALSE(comm.PortOpen());
  EXPECT_EQ(TraceLines(), (std::vector<std::string>{
      std::string(kAtStart) + "open /dev/ttyUSB0 115200,N,8,1",
      kAtStart + ("error /dev/ttyUSB0: " + heard),
      std::string(kAtStart) + "close /dev/ttyUSB0",
  }));
}

// What a program sends and what it takes from the line, over an exchange of several writes and
// replies, the arrival wake-ups included.
struct Exchange {
  std::vector<std::string> writes;
  std::vector<std::string> taken;
  int wakeUps = 0;
  bool operator==(const Exchange&) const = default;
};

Exchange RunExchange(const std::function<DeviceFactory(DeviceFactory)>& wrap) {
  VirtualLoop loop;
  MemoryLine line(loop);
  line.onPeerReceives = [&](const std::string& byte) {
    if (byte == "\r") line.peerSend(kReply);
  };
  MSComm comm(wrap(line.factory()));
  Exchange result;
  comm.OnBytesArrived = [&] { ++result.wakeUps; };
  comm.CommPort = "1";
  comm.SetPortOpen(true);
  for (int i = 0; i < 3; ++i) {
    comm.Output(kRequest);
    loop.runFor(3);
    result.taken.push_back(comm.Input());
  }
  comm.SetPortOpen(false);
  result.writes = line.writes();
  return result;
}

TEST(TraceLine, CarriesTheSameBytesAsWithoutTracing) {
  const Exchange plain = RunExchange([](DeviceFactory f) { return f; });
  const Exchange traced = RunExchange([](DeviceFactory f) {
    return TracingFactory(std::move(f), std::make_shared<TraceLog>(TracePath()));
  });
  EXPECT_EQ(plain.writes, std::vector<std::string>(3, kRequest));
  EXPECT_EQ(plain.taken, std::vector<std::string>(3, kReply));
  EXPECT_EQ(traced, plain);
}

TEST(TraceFile, ThatCannotBeCreatedIsAFileErrorNamingIt) {
  const std::string path = ::testing::TempDir() + "no-such-folder/trace.txt";
  try {
    TraceToFile([](const std::string&) { return std::unique_ptr<SerialDevice>(); }, path);
    FAIL() << "a trace file in a missing folder was made";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Не удалось создать файл трассировки " + path + ": No such file or directory");
  }
}

}  // namespace
