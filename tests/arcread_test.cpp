// arcread's window on virtual time against the simulated meter: Start and Stop with their
// control states and files, the console-mode request, the clock, the parameter sheet, the
// whole-archive read and its reports, and an export that cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/arcread/arcread_form.h"
#include "archive/device_clock.h"
#include "export/export.h"
#include "link/frames.h"
#include "platform/errors.h"
#include "sim/line_sim.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct ArcreadRig {
  explicit ArcreadRig(DateTime now = {2009, 8, 15, 14, 5, 59, 0})
      : loop(now), line(loop), dataDir(MakeDataDir()), form(loop, line.factory(), dataDir) {
    SetErrorReporter([this](const Error& e) { errors.push_back(e.what()); });
    form.Edit2->Text = "stamp";
  }
  ~ArcreadRig() {
    SetErrorReporter(nullptr);
    fs::remove_all(dataDir);
  }
  static std::string MakeDataDir() {
    static int n = 0;
    const fs::path p = fs::temp_directory_path() /
                       ("arcread_test_" + std::to_string(getpid()) + "_" + std::to_string(++n));
    return p.string() + "/";
  }
  void Press(Button* b) { RunHandler([b] { b->Click(); }); }
  bool RunToEnd(std::int64_t limitMs = 120000) {
    return loop.runUntil([this] { return !form.engine.Running(); }, limitMs);
  }
  std::string Binary(std::size_t write) { return line.line().writes().at(write); }

  VirtualLoop loop;
  sim::SimulatedLine line;
  std::string dataDir;
  arcread::TForm1 form;
  std::vector<std::string> errors;
};

struct States {
  bool start, stop, lists, archive, write, params, clock, gsmRead;
};

States StatesOf(arcread::TForm1& f) {
  return {f.Button2->Enabled, f.Button3->Enabled, f.ComboBox10->Enabled && f.ComboBox11->Enabled &&
          f.ComboBox1->Enabled, f.Button11->Enabled, f.Button5->Enabled, f.Button1->Enabled,
          f.Button7->Enabled && f.Button10->Enabled, f.Button6->Enabled};
}

bool operator==(const States& a, const States& b) {
  return a.start == b.start && a.stop == b.stop && a.lists == b.lists && a.archive == b.archive &&
         a.write == b.write && a.params == b.params && a.clock == b.clock && a.gsmRead == b.gsmRead;
}

}  // namespace

TEST(Arcread, StartAndStopSetTheControlsFilesAndConsoleMode) {
  ArcreadRig rig;
  const States initial{true, false, true, false, false, false, false, false};
  const States connected{false, true, false, true, true, true, true, true};
  EXPECT_TRUE(StatesOf(rig.form) == initial);
  EXPECT_EQ(rig.form.Edit2->Text.get(), "stamp");

  rig.Press(rig.form.Button2);
  ASSERT_TRUE(rig.errors.empty()) << rig.errors[0];
  EXPECT_TRUE(StatesOf(rig.form) == connected);
  // The console-mode request twice, before any binary request.
  ASSERT_EQ(rig.line.line().writes().size(), 2u);
  EXPECT_EQ(rig.Binary(0), "#00FC9\r");
  EXPECT_EQ(rig.Binary(1), "#00FC9\r");
  for (const auto& f : report::ReportFiles()) {
    const fs::path p = rig.dataDir + f.folder + "stamp" + f.suffix;
    EXPECT_TRUE(fs::exists(p)) << p;
    EXPECT_EQ(fs::file_size(p), 0u);
  }

  rig.Press(rig.form.Button3);
  EXPECT_TRUE(StatesOf(rig.form) == initial);
  EXPECT_FALSE(rig.line.line().portOpen());
  const auto stop = devlink::FrameFromBytes(rig.Binary(2));
  EXPECT_EQ(stop[2], archive::kStop);
  rig.Press(rig.form.Button3);  // a second Stop does no harm
  EXPECT_TRUE(rig.errors.empty());
}

TEST(Arcread, FailedStartsLeaveTheWindowStoppedWithAClearMessage) {
  struct Case {
    const char* what;
    std::function<void(arcread::TForm1&)> set;
    const char* message;
  };
  const Case cases[] = {
      {"address", [](arcread::TForm1& f) { f.ComboBox11->Text = "abc"; }, "«abc»"},
      {"speed", [](arcread::TForm1& f) { f.ComboBox10->Text = "9600,Q,8,1"; }, "9600,Q,8,1"},
      {"port", [](arcread::TForm1& f) { f.ComboBox1->Text = "x"; }, "«x»"},
      {"stamp", [](arcread::TForm1& f) { f.Edit2->Text = "../escape"; }, "«../escape»"},
  };
  for (const auto& c : cases) {
    ArcreadRig rig;
    c.set(rig.form);
    rig.Press(rig.form.Button2);
    ASSERT_EQ(rig.errors.size(), 1u) << c.what;
    EXPECT_NE(rig.errors[0].find(c.message), std::string::npos) << rig.errors[0];
    EXPECT_TRUE(rig.form.Button2->Enabled) << c.what;
    EXPECT_FALSE(rig.line.line().portOpen()) << c.what;
    EXPECT_TRUE(rig.line.line().written().empty()) << c.what;
  }
}

TEST(Arcread, SetClockCarriesThePcClockAndReadShowsTheMeterClock) {
  ArcreadRig rig;  // the PC clock reads 2009-08-15 14:05:59
  rig.Press(rig.form.Button2);
  rig.Press(rig.form.Button10);
  ASSERT_TRUE(rig.RunToEnd());
  const auto set = devlink::FrameFromBytes(rig.Binary(2));
  EXPECT_EQ(set[2], archive::kSetClock);
  EXPECT_EQ((std::vector<int>{set[5], set[6], set[7], set[8]}),
            (std::vector<int>{0x6D, 0x4A, 0x21, 0x36}));
  EXPECT_EQ(rig.form.StatusBar1->Panels[0].get(), "Обмен с прибором завершен");
  EXPECT_EQ(rig.form.Label70->Caption.get(), "");  // setting shows nothing

  rig.Press(rig.form.Button7);
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.form.Label70->Caption.get(), "2009.08.15 14:05");
  EXPECT_EQ(rig.form.Gauge1->Progress.get(), 12800);
  rig.loop.runFor(500);
  EXPECT_EQ(rig.form.Gauge1->Progress.get(), 0);  // emptied half a second after the display
}

TEST(Arcread, ClockTexts) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {908151405, "2009.08.15 14:05"}, {1001010000, "2010.01.01 00:00"},
      {4294967295u, "2042.94.96 72:95"}, {0, "2000.00.00 00:00"}, {1001010905, "2010.01.01 09:05"}};
  for (const auto& [packed, text] : cases) EXPECT_EQ(archive::ClockText(packed), text);
  EXPECT_EQ(archive::PackClock({2009, 8, 15, 14, 5, 59, 0}), 908151405u);
  EXPECT_EQ(archive::FileStamp({2009, 8, 15, 9, 5, 0, 0}), "2009_08_15_09_05");
}

TEST(Arcread, ParameterReadAppendsTheSheetOfTheMetersRecords) {
  ArcreadRig rig;
  rig.Press(rig.form.Button2);
  rig.Press(rig.form.Button1);
  ASSERT_TRUE(rig.RunToEnd());
  rig.Press(rig.form.Button1);
  ASSERT_TRUE(rig.RunToEnd());
  const auto& lines = rig.form.Memo1->Lines;
  ASSERT_EQ(lines.size(), 24u);  // two sheets, one under the other
  EXPECT_EQ(lines[0], "                1-канал  2-канал");
  EXPECT_EQ(lines[12], lines[0]);
  EXPECT_EQ(lines[1].rfind("2.Qmax,м3*час=  ", 0), 0u);
  const auto params = rig.line.meter().memory().params;
  for (int p = 0; p < 200; ++p) EXPECT_EQ(rig.form.store.ParamValues[p], params[p]) << p;
}

TEST(Arcread, WholeArchiveReadWritesTheReportsOfTheMetersMemoryThenStops) {
  ArcreadRig rig;
  rig.Press(rig.form.Button2);
  rig.Press(rig.form.Button11);
  ASSERT_TRUE(rig.loop.runUntil([&] { return !rig.line.line().portOpen(); }, 120000));
  EXPECT_TRUE(rig.errors.empty());
  EXPECT_TRUE(rig.form.Button2->Enabled);  // Stop ran

  std::vector<std::uint32_t> meter = rig.line.meter().memory().archive;
  meter.resize(archive::kStoreCells);
  const auto expected = report::ExportArchive(meter, {true, true, true});
  const auto& files = report::ReportFiles();
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string content = ReadFile(rig.dataDir + files[i].folder + "stamp" + files[i].suffix);
    EXPECT_FALSE(content.empty()) << files[i].suffix;
    EXPECT_EQ(content, expected[i]) << files[i].suffix;
  }
  const auto& lines = rig.form.Memo1->Lines;
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Архивы записаны на диск:");
  EXPECT_EQ(lines[1], rig.dataDir + "arc/stamp_chas.txt -часовой");
  EXPECT_EQ(lines[3], rig.dataDir + "arc/stamp_mes.txt - месячный");
  EXPECT_EQ(rig.form.StatusBar1->Panels[1].get(), "Архивы записаны на диск");
}

TEST(Arcread, AnExportThatCannotBeWrittenIsReportedAndStopStillRuns) {
  ArcreadRig rig;
  rig.Press(rig.form.Button2);
  rig.Press(rig.form.Button11);
  ASSERT_TRUE(rig.loop.runUntil([&] { return rig.form.engine.RecordPos > 12790; }, 120000));
  // A full disk, as a file size limit: writes beyond 4 KiB fail.
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  rig.loop.runUntil([&] { return !rig.line.line().portOpen(); }, 10000);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  ASSERT_FALSE(rig.errors.empty());
  EXPECT_NE(rig.errors[0].find("Ошибка записи в файл"), std::string::npos) << rig.errors[0];
  EXPECT_TRUE(rig.form.Button2->Enabled);  // Stop ran all the same
  EXPECT_FALSE(rig.line.line().portOpen());
  EXPECT_TRUE(rig.form.Memo1->Lines.size() == 0u);  // no report is claimed as written
  EXPECT_NE(rig.form.StatusBar1->Panels[1].get(), "Архивы записаны на диск");
}

TEST(Arcread, GsmSettingsWriteSendsFortyCharactersAndReadLogsThem) {
  ArcreadRig rig;
  rig.Press(rig.form.Button2);
  rig.form.Edit1->Text = "2+79990000001+79990000002+7999";  // 30 characters: the rest as blanks
  rig.Press(rig.form.Button5);
  ASSERT_TRUE(rig.RunToEnd());
  std::string sent;
  for (std::size_t i = 2; i < rig.line.line().writes().size(); ++i) {
    const auto f = devlink::FrameFromBytes(rig.Binary(i));
    EXPECT_EQ(f[2], archive::kWriteGsm);
    EXPECT_EQ(f[3] | f[4] << 8, 3900 + static_cast<int>(i - 2));
    sent += static_cast<char>(f[5]);
  }
  EXPECT_EQ(sent, "2+79990000001+79990000002+7999          ");
  rig.Press(rig.form.Button6);
  ASSERT_TRUE(rig.RunToEnd());
  ASSERT_EQ(rig.form.Memo1->Lines.size(), 1u);
  EXPECT_EQ(rig.form.Memo1->Lines[0], "Параметры GSM =2+79990000001+79990000002+7999       ");
}
