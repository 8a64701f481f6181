// The archive programs on virtual time against the simulated meter: reads on a faulty line
// (dropped, corrupted, partial, surplus and late replies, a meter that falls silent) write the
// reports of a fault-free read or none; a port lost during a read, a data folder that cannot be
// made and a disk that fills during the export are reported and leave no report cut short; a
// bad value in a field of the windows is refused with a message naming it.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "apps/arcgsm/arcgsm_form.h"
#include "apps/arcread/arcread_form.h"
#include "apps/common/extra_exports.h"
#include "apps/common/headless.h"
#include "archive/record_store.h"
#include "export/export.h"
#include "gsm/modem_call.h"
#include "link/frames.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "sim/line_sim.h"
#include "sim/memory.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr const char* kNoLink = "Нет связи с прибором";

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The first line where two report texts differ, for a short failure message; empty if equal.
std::string FirstDifference(const std::string& got, const std::string& expected) {
  if (got == expected) return {};
  std::size_t at = 0;
  while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
  const std::size_t newline = expected.rfind('\n', at);
  const std::size_t line = newline == std::string::npos ? 0 : newline + 1;
  return "differs from the fault-free report at byte " + std::to_string(at) + ", in the line \"" +
         expected.substr(line, expected.find('\r', line) - line) + "\"";
}

// One archive program as a read of its archive is started.
struct Program {
  const char* name;
  bool modem;
  std::function<std::unique_ptr<archive::ArchiveWindow>(VirtualLoop&, DeviceFactory,
                                                        std::string)>
      make;
  // After Start: the buttons of the archive read (arcgsm calls first).
  std::function<void(archive::ArchiveWindow&, VirtualLoop&)> read;
  int lateMs;  // a reply this late comes after the program's re-send
};

const Program kArcread{
    "arcread", false,
    [](VirtualLoop& loop, DeviceFactory ports, std::string dir) {
      return std::make_unique<arcread::TForm1>(loop, std::move(ports), std::move(dir));
    },
    [](archive::ArchiveWindow& form, VirtualLoop&) { form.Button11->Click(); }, 300};

const Program kArcgsm{
    "arcgsm", true,
    [](VirtualLoop& loop, DeviceFactory ports, std::string dir) {
      return std::make_unique<arcgsm::TForm1>(loop, std::move(ports), std::move(dir));
    },
    [](archive::ArchiveWindow& window, VirtualLoop& loop) {
      auto& form = static_cast<arcgsm::TForm1&>(window);
      form.Button5->Click();
      loop.runFor(gsm::kAnswerWaitMs);
      form.DateTimePicker1->Pick(EncodeDateTime({2009, 8, 1}));
      form.ComboBox2->Text = "10";
      form.Button14->Click();
    },
    4000};

// A program's window on virtual time against the simulated meter (the same memory every time)
// and a fresh data folder.
class Rig {
 public:
  // The data folder is `dataFolder` under `dir`, a fresh folder removed with the rig.
  Rig(const Program& program, const sim::SimOptions& options, const fs::path& dir,
      const std::string& dataFolder = {})
      : program_(program), line_(loop_, options), dir_(dir) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const fs::path data = dataFolder.empty() ? dir_ : dir_ / dataFolder;
    form_ = program.make(loop_, line_.factory(), data.string() + "/");
    SetErrorReporter([this](const Error& e) { errors.push_back(e.what()); });
    form_->engine.OnRunEnded = [this](bool completed) {
      (completed ? completed_ : gaveUp_) = true;
    };
    form_->Edit2->Text = "r";
  }
  ~Rig() {
    SetErrorReporter([](const Error&) {});
    form_.reset();
    fs::remove_all(dir_);
  }

  // Start, then the buttons of the archive read.
  void BeginRead() {
    completed_ = gaveUp_ = false;
    RunHandler([this] {
      form_->Button2->Click();
      program_.read(*form_, loop_);
    });
  }
  // Runs until the read has ended and the connection with it, as the operator would end it.
  void FinishRead() {
    loop_.runUntil([this] { return !form_->engine.Running(); }, 48LL * 3600 * 1000);
    status = form_->StatusBar1->Panels[0].get();
    if (!loop_.runUntil([this] { return !form_->MSComm1.PortOpen(); }, 60000))
      RunHandler([this] { form_->EndConnection(); });
    loop_.runUntil([this] { return !form_->MSComm1.PortOpen(); }, 60000);
  }

  bool completed() const { return completed_; }
  bool gaveUp() const { return gaveUp_; }
  // The nine files' bytes.
  std::vector<std::string> Reports() const {
    std::vector<std::string> files;
    for (const auto& f : report::ReportFiles())
      files.push_back(ReadFile(form_->DataDir() + f.folder + "r" + f.suffix));
    return files;
  }
  // The log or the status bar says the reports were written.
  bool ClaimsWritten() const {
    const auto lines = form_->Memo1->Lines.all();
    return std::find(lines.begin(), lines.end(), "Архивы записаны на диск:") != lines.end() ||
           form_->StatusBar1->Panels[1].get() == report::kArchivesWritten;
  }
  archive::ArchiveWindow& form() { return *form_; }
  VirtualLoop& loop() { return loop_; }
  const fs::path& dir() const { return dir_; }
  sim::SimulatedLine& line() { return line_; }

  std::vector<std::string> errors;
  std::string status;  // panel 0 when the read ended

 private:
  const Program& program_;
  VirtualLoop loop_{{2009, 8, 15, 14, 5, 0, 0}};
  sim::SimulatedLine line_;
  fs::path dir_;
  std::unique_ptr<archive::ArchiveWindow> form_;
  bool completed_ = false, gaveUp_ = false;
};

sim::SimOptions MeterOptions(const Program& program, const sim::FaultOptions& faults = {}) {
  sim::SimOptions options;
  options.modem = program.modem;
  options.seed = 7;
  options.faults = faults;
  return options;
}

fs::path DataDir(const Program& program) {
  return fs::temp_directory_path() /
         ("reliability_" + std::to_string(getpid()) + "_" + program.name);
}

// The reports of a read on a line without faults.
std::vector<std::string> CleanReports(const Program& program) {
  Rig rig(program, MeterOptions(program), DataDir(program));
  rig.BeginRead();
  rig.FinishRead();
  EXPECT_TRUE(rig.completed()) << program.name;
  EXPECT_EQ(rig.form().engine.Resent, 0u) << program.name;
  return rig.Reports();
}

// A read that ended: complete with the reports of a fault-free read, or given up with none.
void ExpectTheCleanReportsOrNone(const Rig& rig, const std::vector<std::string>& clean,
                                 const std::string& where) {
  EXPECT_TRUE(rig.completed() != rig.gaveUp()) << where;
  const auto reports = rig.Reports();
  if (rig.completed()) {
    EXPECT_TRUE(rig.ClaimsWritten()) << where;
    for (std::size_t i = 0; i < reports.size(); ++i)
      EXPECT_EQ(FirstDifference(reports[i], clean[i]), "") << where << " file " << i;
    return;
  }
  EXPECT_EQ(rig.status, kNoLink) << where;
  EXPECT_FALSE(rig.ClaimsWritten()) << where;
  for (const auto& r : reports) EXPECT_EQ(r, "") << where;
}

struct FaultKind {
  const char* name;
  std::function<void(sim::FaultOptions&, double rate, int lateMs)> set;
};

const FaultKind kFaultKinds[] = {
    {"drop", [](sim::FaultOptions& f, double p, int) { f.dropProbability = p; }},
    {"corrupt", [](sim::FaultOptions& f, double p, int) { f.corruptProbability = p; }},
    {"partial", [](sim::FaultOptions& f, double p, int) { f.partialProbability = p; }},
    {"surplus", [](sim::FaultOptions& f, double p, int) { f.surplusProbability = p; }},
    {"late", [](sim::FaultOptions& f, double p, int ms) {
       f.lateProbability = p;
       f.lateMs = ms;
     }},
    {"all", [](sim::FaultOptions& f, double p, int ms) {
       f.dropProbability = f.corruptProbability = f.partialProbability =
           f.surplusProbability = f.lateProbability = p / 5;
       f.lateMs = ms;
     }},
};

}  // namespace

TEST(FaultyLine, EveryReadWritesTheFaultFreeReportsOrGivesUpWithNone) {
  struct Row {
    std::string fault;
    double rate;  // 0: the meter falls silent instead
    sim::FaultOptions faults;
  };
  std::printf("%-8s %-12s %5s  %-9s %8s\n", "program", "fault", "rate", "outcome", "re-sent");
  for (const Program* program : {&kArcread, &kArcgsm}) {
    const std::vector<std::string> clean = CleanReports(*program);
    std::vector<Row> rows;
    for (const auto& kind : kFaultKinds)
      for (double rate : {0.01, 0.05, 0.2}) {
        rows.push_back({kind.name, rate, {}});
        kind.set(rows.back().faults, rate, program->lateMs);
      }
    rows.push_back({"silent@300", 0, {}});
    rows.back().faults.silentAfter = 300;
    for (const Row& row : rows) {
      Rig rig(*program, MeterOptions(*program, row.faults), DataDir(*program));
      rig.BeginRead();
      rig.FinishRead();
      const std::string where = std::string(program->name) + " " + row.fault + " " +
                                std::to_string(row.rate);
      const std::string rate =
          row.rate > 0 ? std::to_string(std::lround(row.rate * 100)) + "%" : "-";
      const auto resent = static_cast<unsigned long long>(rig.form().engine.Resent);
      std::printf("%-8s %-12s %5s  %-9s %8llu\n", program->name, row.fault.c_str(),
                  rate.c_str(), rig.completed() ? "complete" : "gave up", resent);
      EXPECT_EQ(rig.errors, std::vector<std::string>{}) << where;
      EXPECT_GT(resent, 0u) << where;
      ExpectTheCleanReportsOrNone(rig, clean, where);
    }
  }
}

TEST(LostPort, AReadStopsWithOneReportNoFilesAndStopAndStartReadAgain) {
  for (const Program* program : {&kArcread, &kArcgsm}) {
    const std::vector<std::string> clean = CleanReports(*program);
    Rig rig(*program, MeterOptions(*program), DataDir(*program));
    rig.BeginRead();
    ASSERT_TRUE(rig.loop().runUntil([&] { return rig.form().engine.GoodCount >= 300; }))
        << program->name;
    rig.line().line().pull();  // the USB adapter is pulled out
    const std::size_t written = rig.line().line().writes().size();
    rig.loop().runFor(120000);
    EXPECT_EQ(rig.errors, std::vector<std::string>{"Устройство последовательного порта отключено"})
        << program->name;
    EXPECT_FALSE(rig.form().engine.Running()) << program->name;
    EXPECT_EQ(rig.form().StatusBar1->Panels[0].get(), "Порт потерян") << program->name;
    EXPECT_EQ(rig.line().line().writes().size(), written) << program->name;
    EXPECT_FALSE(rig.ClaimsWritten()) << program->name;
    for (const auto& r : rig.Reports()) EXPECT_EQ(r, "") << program->name;

    // The device is back: Stop, then a new Start and read.
    RunHandler([&] { rig.form().Button3->Click(); });
    rig.BeginRead();
    rig.FinishRead();
    EXPECT_TRUE(rig.completed()) << program->name;
    ExpectTheCleanReportsOrNone(rig, clean, program->name);
    EXPECT_EQ(rig.errors.size(), 1u) << program->name;
  }
}

TEST(LostPort, DuringTheHangUpAfterAReadNoStepOfTheCallRunsOnAndStopCloses) {
  for (const char* lastWrite : {"+++", "ATH\r"}) {
    Rig rig(kArcgsm, MeterOptions(kArcgsm), DataDir(kArcgsm));
    rig.BeginRead();
    const auto& writes = rig.line().line().writes();
    ASSERT_TRUE(rig.loop().runUntil([&] { return writes.back() == lastWrite; })) << lastWrite;
    rig.line().line().pull();
    rig.loop().runFor(60000);
    EXPECT_EQ(writes.back(), lastWrite);
    EXPECT_EQ(rig.errors.size(), 1u) << lastWrite;
    EXPECT_TRUE(rig.ClaimsWritten()) << lastWrite;  // the read had ended before
    RunHandler([&] { rig.form().Button3->Click(); });
    EXPECT_TRUE(rig.form().Button2->Enabled) << lastWrite;
    EXPECT_EQ(rig.errors.size(), 1u) << lastWrite;
  }
}

TEST(DiskFaults, ADataFolderThatCannotBeMadeStopsStartWithAMessageNamingIt) {
  for (const Program* program : {&kArcread, &kArcgsm}) {
    // A folder under a regular file cannot be made, whatever the user's rights.
    Rig rig(*program, MeterOptions(*program), DataDir(*program), "afile/sub");
    std::ofstream(rig.dir() / "afile") << "not a folder";
    RunHandler([&] { rig.form().Button2->Click(); });
    ASSERT_EQ(rig.errors.size(), 1u) << program->name;
    EXPECT_EQ(rig.errors[0].rfind("Не удалось создать папку " + rig.form().DataDir() + "arc/", 0),
              0u)
        << rig.errors[0];
    EXPECT_TRUE(rig.form().Button2->Enabled) << program->name;
    EXPECT_FALSE(rig.form().MSComm1.PortOpen()) << program->name;
    EXPECT_TRUE(rig.line().line().writes().empty()) << program->name;
  }
}

namespace {

// Files cannot grow beyond `bytes` while it lives, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  void (*handler_)(int);
  rlimit old_{};
};

}  // namespace

TEST(DiskFaults, ADiskThatFillsDuringTheExportIsReportedAndTheConnectionStillEnds) {
  for (const Program* program : {&kArcread, &kArcgsm}) {
    const std::vector<std::string> clean = CleanReports(*program);
    Rig rig(*program, MeterOptions(*program), DataDir(*program));
    rig.BeginRead();
    ASSERT_TRUE(rig.loop().runUntil([&] { return rig.form().Gauge1->PercentDone() >= 90; }));
    {
      const FileSizeLimit full(4096);
      rig.loop().runUntil([&] { return !rig.form().MSComm1.PortOpen(); }, 60000);
    }
    ASSERT_EQ(rig.errors.size(), 1u) << program->name;
    EXPECT_EQ(rig.errors[0].rfind("Ошибка записи в файл " + rig.form().DataDir() + "arc/", 0), 0u)
        << rig.errors[0];
    // The connection ended as after every read: Stop, in arcgsm after the hang-up.
    EXPECT_FALSE(rig.form().MSComm1.PortOpen()) << program->name;
    EXPECT_TRUE(rig.form().Button2->Enabled) << program->name;
    const auto& writes = rig.line().line().writes();
    if (program->modem) {
      EXPECT_NE(std::find(writes.begin(), writes.end(), "ATH\r"), writes.end());
    }
    EXPECT_FALSE(rig.ClaimsWritten()) << program->name;
    // Every report is whole or empty: none is left cut short.
    const auto reports = rig.Reports();
    for (std::size_t i = 0; i < reports.size(); ++i) {
      if (reports[i].empty()) continue;
      EXPECT_EQ(FirstDifference(reports[i], clean[i]), "") << program->name << " file " << i;
    }
  }
}

TEST(DiskFaults, AHeadlessCallOnAFullDiskHangsUpAndExitsWith2) {
  Rig rig(kArcgsm, MeterOptions(kArcgsm), DataDir(kArcgsm));
  auto& form = static_cast<arcgsm::TForm1&>(rig.form());
  app::Step dial{};
  dial.button = form.Button5;
  dial.until = app::Step::Until::Condition;
  dial.condition = [&form] { return form.Button6->Enabled.get(); };
  app::Step read{};
  read.button = form.Button14;
  read.until = app::Step::Until::PortCloses;
  read.before = [&form] { form.ComboBox2->Text = "10"; };
  app::HeadlessRun run(form, rig.loop());
  run.Begin({dial, read});
  ASSERT_TRUE(rig.loop().runUntil([&] { return form.Gauge1->PercentDone() >= 90; }));
  {
    const FileSizeLimit full(4096);
    ASSERT_TRUE(rig.loop().runUntil([&] { return rig.loop().quitRequested(); }, 60000));
  }
  EXPECT_EQ(rig.loop().exitCode(), app::kExitUsage);
  const auto& writes = rig.line().line().writes();
  EXPECT_NE(std::find(writes.begin(), writes.end(), "ATH\r"), writes.end());
  EXPECT_FALSE(form.MSComm1.PortOpen());
  EXPECT_FALSE(rig.ClaimsWritten());
}

TEST(DiskFaults, CsvFilesThatTheDiskCannotTakeAreNotLeftCutShort) {
  auto archive = sim::GenerateMemory(7, EncodeDateTime({2009, 8, 15, 14})).archive;
  archive.resize(archive::kStoreCells);
  const auto series = report::ExportSeries(archive, {true, true, true});
  const auto whole = report::CsvFiles(series);
  const fs::path dir = DataDir(kArcread);
  fs::remove_all(dir);
  {
    const FileSizeLimit full(4096);
    EXPECT_THROW(app::WriteCsvFiles(series, dir.string() + "/", "c"), FileError);
  }
  for (std::size_t i = 0; i < whole.size(); ++i) {
    const fs::path file = dir / "arc/csv" / (std::string("c") + report::kCsvSuffixes[i]);
    EXPECT_TRUE(!fs::exists(file) || ReadFile(file) == whole[i]) << file;
  }
  fs::remove_all(dir);
}

namespace {

// A value typed into a field of a window, and what the window does with it.
struct FieldCase {
  const char* what;
  std::function<void(Rig&)> enter;  // types the value and presses the button that takes it
  std::string message;              // the message shown; empty: the value is taken
  std::function<void(Rig&)> taken = {};  // then: what the program did with it
};

// A refused value shows its message once, sends nothing more, and leaves a window that Stop
// and a new Start serve.
void ExpectFieldCases(const Program& program, const std::vector<FieldCase>& cases) {
  for (const auto& c : cases) {
    Rig rig(program, MeterOptions(program), DataDir(program));
    RunHandler([&] { c.enter(rig); });
    if (c.message.empty()) {
      EXPECT_EQ(rig.errors, std::vector<std::string>{}) << c.what;
      c.taken(rig);
      continue;
    }
    ASSERT_EQ(rig.errors.size(), 1u) << c.what;
    EXPECT_NE(rig.errors[0].find(c.message), std::string::npos) << c.what << ": " << rig.errors[0];
    const std::size_t written = rig.line().line().writes().size();
    rig.loop().runFor(60000);
    EXPECT_EQ(rig.line().line().writes().size(), written) << c.what;
    RunHandler([&] { rig.form().Button3->Click(); });
    EXPECT_TRUE(rig.form().Button2->Enabled) << c.what;
    EXPECT_EQ(rig.errors.size(), 1u) << c.what;
  }
}

void Start(Rig& rig) { rig.form().Button2->Click(); }

}  // namespace

// Besides: an address, line settings, port and file stamp that stop Start (arcread_test.cpp
// FailedStarts...), addresses above 255 taken by their low byte (archive_engine_test.cpp),
// texts that Windows-1251 cannot hold (platform_test.cpp).
TEST(BadInput, ArcreadWindowFields) {
  const auto stamp = [](std::string text) {
    return [text](Rig& r) {
      r.form().Edit2->Text = text;
      Start(r);
    };
  };
  ExpectFieldCases(kArcread, {
      {"empty address", [](Rig& r) {
         r.form().ComboBox11->Text = "";
         Start(r);
       }, "Адрес прибора: «»"},
      {"address -1", [](Rig& r) {
         r.form().ComboBox11->Text = "-1";
         Start(r);
         r.form().Button7->Click();
         r.loop().runUntil([&] { return !r.form().engine.Running(); });
       }, "", [](Rig& r) {  // the low byte, as every number of the list
         EXPECT_EQ(devlink::FrameFromBytes(r.line().line().writes().back())[1], 0xFF);
         EXPECT_EQ(r.form().StatusBar1->Panels[0].get(), "Обмен с прибором завершен");
       }},
      {"empty port", [](Rig& r) {
         r.form().ComboBox1->Text = "";
         Start(r);
       }, "Неверный порт «»"},
      {"line settings abc", [](Rig& r) {
         r.form().ComboBox10->Text = "abc";
         Start(r);
       }, "Неверные параметры линии «abc»"},
      {"stamp /", stamp("/"), "Недопустимое имя файла «/»"},
      {"stamp ..", stamp(".."), "Недопустимое имя файла «..»"},
      {"stamp with a control character", stamp("a\x01z"), "Недопустимое имя файла"},
      {"stamp too long for a file name", stamp(std::string(300, 'x')),
       "Не удалось создать файл "},
      {"GSM settings Windows-1251 cannot hold", [](Rig& r) {
         Start(r);
         r.form().Edit1->Text = "1+79001234567+日本";
         r.form().Button5->Click();
       }, "Текст «1+79001234567+日本» содержит символы, которых нет в кодировке Windows-1251"},
  });
}

// Besides: the fields arcgsm shares with arcread (above); day counts that are no count
// (arcgsm_form_test.cpp, range_selection_test.cpp) or run past the ring (the same); node
// directories with garbage, wild counts, missing keys or binary bytes (node_directory_test.cpp).
TEST(BadInput, ArcgsmWindowFields) {
  ExpectFieldCases(kArcgsm, {
      {"number Windows-1251 cannot hold", [](Rig& r) {
         Start(r);
         r.form().Edit1->Text = "+7日本";
         r.form().Button5->Click();
       }, "Текст «+7日本» содержит символы, которых нет в кодировке Windows-1251"},
      {"empty number", [](Rig& r) {
         Start(r);
         r.form().Edit1->Text = "";
         r.form().Button5->Click();
         r.loop().runFor(gsm::kAnswerWaitMs);
         r.form().Button7->Click();  // the commands are there: a read has no meter to reach
         r.loop().runUntil([&] { return !r.form().engine.Running(); });
       }, "", [](Rig& r) {
         const auto memo = r.form().Memo1->Lines.all();
         EXPECT_NE(std::find(memo.begin(), memo.end(), "ERROR"), memo.end());
         EXPECT_EQ(r.form().StatusBar1->Panels[0].get(), kNoLink);
         EXPECT_EQ(r.form().Label70->Caption.get(), "");
       }},
  });
}
