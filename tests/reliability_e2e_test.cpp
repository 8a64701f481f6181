// End to end over pseudo-terminals, as operators' scripts run the programs: arcread on a faulty
// line writes the reports of the meter's memory or none, a meter pulled away mid-read and a disk
// that fills end the run with a message and exit status 2 and leave no report cut short, and
// every option with a bad value is refused with a message naming it. (arcgsm's call takes 37 s
// of real time: its faulty lines, lost ports and full disks are tested on virtual time.)
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "archive/record_store.h"
#include "e2e_support.h"
#include "export/export.h"
#include "sim/memory_file.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

constexpr const char* kWritten = "Архивы записаны на диск:";

std::string ReadFile(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The reports of the memory a simulator saved as it ended.
std::vector<std::string> ReportsOfSavedMemory(const std::string& memoryFile) {
  auto archive = sim::LoadMemoryFile(memoryFile).archive;
  archive.resize(archive::kStoreCells);
  const auto files = report::ExportArchive(archive, {true, true, true});
  return {files.begin(), files.end()};
}

std::vector<std::string> ReportsIn(const std::string& dataDir, const std::string& stamp) {
  std::vector<std::string> files;
  for (const auto& f : report::ReportFiles())
    files.push_back(ReadFile(dataDir + f.folder + stamp + f.suffix));
  return files;
}

// Status lines of requests sent again: time-outs and bad replies.
int ResentLines(const std::string& err) {
  int n = 0;
  std::istringstream lines(err);
  for (std::string l; std::getline(lines, l);)
    n += l.rfind("Таймаут er=", 0) == 0 || l == "Ошибка КС" || l == "Ответ не на запрос";
  return n;
}

// Every kind of damage to the meter's replies, `rate` in all; late replies come after the
// re-send.
Args Faults(double rate) {
  const std::string each = std::to_string(rate / 5);
  return {"--drop", each, "--corrupt", each, "--partial", each, "--surplus", each,
          "--late", each, "--late-ms", "300"};
}

Args Plus(Args a, const Args& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST(FaultyLineE2e, ArcreadWritesTheReportsOfTheMetersMemoryOrNone) {
  const std::string dir = e2e::TempDir("reliability_e2e_faults");
  const std::string memory = dir + "memory.json";
  e2e::SimProcess sim(Plus({"--seed", "11", "--save-memory", memory}, Faults(0.0025)));
  ASSERT_FALSE(sim.path().empty());
  const auto o = e2e::Run("arcread", {"--port", sim.path(), "--data-dir", dir, "--stamp", "f",
                                      "--read-archive"});
  sim.stop();
  std::printf("whole archive, faults 0.25%%: exit %d, re-sent %d\n", o.exitCode,
              ResentLines(o.err));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_GT(ResentLines(o.err), 0) << o.err;
  EXPECT_NE(o.out.find(kWritten), std::string::npos);
  EXPECT_EQ(ReportsIn(dir, "f"), ReportsOfSavedMemory(memory));
  fs::remove_all(dir);
}

TEST(FaultyLineE2e, ArcreadShowsTheParameterSheetOfAFaultFreeReadOrNone) {
  const auto read = [](const Args& faults) {
    e2e::SimProcess sim(Plus({"--seed", "11"}, faults));
    return e2e::Run("arcread", {"--port", sim.path(), "--read-params"});
  };
  const auto clean = read({});
  ASSERT_EQ(clean.exitCode, 0) << clean.err;
  std::printf("%5s  %-9s %8s\n", "rate", "outcome", "re-sent");
  for (double rate : {0.01, 0.05, 0.2}) {
    const auto o = read(Faults(rate));
    std::printf("%4.0f%%  %-9s %8d\n", rate * 100, o.exitCode == 0 ? "complete" : "gave up",
                ResentLines(o.err));
    if (o.exitCode == 0) {
      EXPECT_EQ(o.out, clean.out) << rate;
    } else {
      EXPECT_EQ(o.exitCode, 3) << rate << o.err;
      EXPECT_EQ(o.out, "") << rate;
    }
  }
}

TEST(LostPortE2e, AMeterPulledAwayMidReadEndsTheRunWith2AndNoReports) {
  const std::string dir = e2e::TempDir("reliability_e2e_lost");
  for (const char* program : {"arcread", "linkmon"}) {
    e2e::SimProcess sim({"--latency", "1"});  // a whole read would take 15 s
    const Args args =
        std::string(program) == "arcread"
            ? Args{"--port", sim.path(), "--data-dir", dir, "--stamp", "l", "--read-archive"}
            : Args{"--port", sim.path(), "--cycles", "1000", "--period", "0,1"};
    std::thread pull([&sim] {
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      sim.stop();  // its terminal closes, as when a USB adapter is pulled out
    });
    const auto started = std::chrono::steady_clock::now();
    const auto o = e2e::Run(program, args, 20000);
    pull.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << program;
    EXPECT_EQ(o.exitCode, 2) << program << o.err;
    EXPECT_NE(o.err.find("Порт " + sim.path() + " потерян"), std::string::npos) << o.err;
    EXPECT_EQ(o.out.find(kWritten), std::string::npos) << program;
  }
  for (const auto& r : ReportsIn(dir, "l")) EXPECT_EQ(r, "");

  e2e::SimProcess back({});  // the device is back
  const auto o = e2e::Run("arcread", {"--port", back.path(), "--data-dir", dir, "--read-clock"});
  EXPECT_EQ(o.exitCode, 0) << o.err;
  fs::remove_all(dir);
}

TEST(DiskFullE2e, ArcreadReportsTheFileExitsWith2AndLeavesNoReportCutShort) {
  const std::string dir = e2e::TempDir("reliability_e2e_disk");
  const std::string memory = dir + "memory.json";
  e2e::SimProcess sim({"--seed", "11", "--save-memory", memory});
  e2e::Outcome o;
  {
    // A full disk, as a file size limit that the program inherits.
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    o = e2e::Run("arcread", {"--port", sim.path(), "--data-dir", dir, "--stamp", "d",
                             "--read-archive"});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
  }
  sim.stop();
  EXPECT_EQ(o.exitCode, 2) << o.err;
  EXPECT_NE(o.err.find("Ошибка записи в файл " + dir + "arc/"), std::string::npos) << o.err;
  EXPECT_EQ(o.out.find(kWritten), std::string::npos) << o.out;
  const auto expected = ReportsOfSavedMemory(memory);
  const auto reports = ReportsIn(dir, "d");
  for (std::size_t i = 0; i < reports.size(); ++i)
    EXPECT_TRUE(reports[i].empty() || reports[i] == expected[i]) << i;
  fs::remove_all(dir);
}

namespace {

struct BadOption {
  Args args;
  std::string cause;  // what the one line on standard error names
};

// Each run exits with status 2, one message naming the cause, and nothing on standard output.
void ExpectRefused(const std::string& program, const std::vector<BadOption>& cases) {
  for (const auto& c : cases) {
    std::string shown = program;
    for (const auto& a : c.args) shown += " '" + a + "'";
    const auto o = e2e::Run(program, c.args, 20000);
    EXPECT_EQ(o.exitCode, 2) << shown << "\n" << o.err;
    EXPECT_NE(o.err.find(c.cause), std::string::npos) << shown << "\n" << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << shown << "\n" << o.err;
    EXPECT_EQ(o.out, "") << shown;
  }
}

// A folder with a regular file in it, for ports and data folders that are no such thing.
struct Scratch {
  Scratch() : dir(e2e::TempDir("reliability_e2e_options")), file(dir + "afile") {
    std::ofstream(file) << "not a device, not a folder";
  }
  ~Scratch() { fs::remove_all(dir); }
  const std::string dir, file;
};

}  // namespace

// Besides: a port that does not exist, unknown options, actions out of order and options
// without their value (arcread_e2e_test.cpp), a trace file that cannot be made (the same).
TEST(BadOptionsE2e, ArcreadRefusesEveryBadValue) {
  const Scratch s;
  const Args read = {"--port", "sim", "--data-dir", s.dir, "--read-clock"};
  ExpectRefused("arcread", {
      {Plus(read, {"--address", "300"}), "«300»"},
      {Plus(read, {"--address", "-1"}), "«-1»"},
      {Plus(read, {"--address", ""}), "--address"},
      {Plus(read, {"--address", "abc"}), "«abc»"},
      {Plus(read, {"--port", "x"}), "«x»"},
      {Plus(read, {"--port", ""}), "«»"},
      {Plus(read, {"--port", s.file}), "Не удалось открыть порт " + s.file},
      {Plus(read, {"--port", "/dev/null"}), "Не удалось открыть порт /dev/null"},
      {Plus(read, {"--speed", "9600,Q,8,1"}), "«9600,Q,8,1»"},
      {Plus(read, {"--speed", "abc"}), "«abc»"},
      {Plus(read, {"--stamp", "a/b"}), "«a/b»"},
      {Plus(read, {"--stamp", ".."}), "«..»"},
      {Plus(read, {"--stamp", "/etc/x"}), "«/etc/x»"},
      {Plus(read, {"--stamp", "a\tb"}), "управляющие"},
      {Plus(read, {"--data-dir", ""}), "--data-dir"},
      {Plus(read, {"--data-dir", s.file + "/sub"}), "Не удалось создать папку " + s.file},
      {{"--port", "sim", "--data-dir", s.dir, "--write-gsm", "日本"}, "«日本»"},
  });
}

// Besides: the number, node, date and day count options and actions out of order
// (arcgsm_e2e_test.cpp); day counts past the ring (range_selection_test.cpp).
TEST(BadOptionsE2e, ArcgsmRefusesEveryBadValue) {
  const Scratch s;
  const Args call = {"--port", "sim", "--data-dir", s.dir, "--phone", "1", "--read-clock"};
  ExpectRefused("arcgsm", {
      {Plus(call, {"--address", "300"}), "«300»"},
      {Plus(call, {"--address", ""}), "--address"},
      {Plus(call, {"--port", "x"}), "«x»"},
      {Plus(call, {"--port", s.file}), "Не удалось открыть порт " + s.file},
      {Plus(call, {"--speed", "abc"}), "«abc»"},
      {Plus(call, {"--stamp", "../x"}), "«../x»"},
      {Plus(call, {"--data-dir", ""}), "--data-dir"},
      {Plus(call, {"--data-dir", s.file + "/sub"}), "Не удалось создать папку " + s.file},
      {Plus(call, {"--phone", "日本"}), "«日本»"},
      {Plus(call, {"--days", "100000000000000000000", "--read-interval"}), "--days"},
  });
}

// Besides: periods, cycle counts, missing values and unknown options (monitor_test.cpp,
// linkmon_e2e_test.cpp).
TEST(BadOptionsE2e, LinkmonRefusesEveryBadValue) {
  const Scratch s;
  const Args poll = {"--port", "sim", "--cycles", "1", "--period", "0,1"};
  ExpectRefused("linkmon", {
      {Plus(poll, {"--address", "300"}), "«300»"},
      {Plus(poll, {"--address", ""}), "«»"},
      {Plus(poll, {"--port", s.file}), "Не удалось открыть порт " + s.file},
      {Plus(poll, {"--port", ""}), "«»"},
      {Plus(poll, {"--speed", "abc"}), "«abc»"},
      {Plus(poll, {"--period", ""}), "«»"},
      {Plus(poll, {"--cycles", "-1"}), "«-1»"},
      {Plus(poll, {"--trace", s.file + "/x"}), s.file + "/x"},
  });
}
