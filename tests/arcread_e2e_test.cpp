// End to end: arcread run headless against tm517sim on a pseudo-terminal, as an operator's
// script runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "archive/record_store.h"
#include "e2e_support.h"
#include "export/export.h"
#include "sim/memory_file.h"

namespace {

std::string ReadFile(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(ArcreadE2e, ClockAndParameterSheetOverAPseudoTerminal) {
  e2e::SimProcess sim({"--seed", "5"});
  ASSERT_FALSE(sim.path().empty());
  const std::string dir = e2e::TempDir("arcread_e2e");
  const auto o = e2e::Run("arcread", {"--port", sim.path(), "--data-dir", dir, "--set-clock",
                                      "--read-clock", "--read-params"});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  std::istringstream out(o.out);
  std::string clock, header;
  std::getline(out, clock);
  std::getline(out, header);
  EXPECT_EQ(clock.size(), 16u) << clock;  // YYYY.MM.DD hh:mm
  EXPECT_EQ(clock[4], '.');
  EXPECT_EQ(header, "                1-канал  2-канал");
  EXPECT_NE(o.out.find("t2           =  "), std::string::npos);
  EXPECT_NE(o.err.find("Обмен с прибором завершен"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(ArcreadE2e, WholeArchiveMatchesTheSimulatorsMemory) {
  const std::string dir = e2e::TempDir("arcread_e2e_archive");
  e2e::SimProcess sim({"--seed", "9", "--save-memory", dir + "memory.json"});
  ASSERT_FALSE(sim.path().empty());
  const auto o = e2e::Run("arcread", {"--port", sim.path(), "--data-dir", dir, "--stamp", "e2e",
                                      "--csv", "--charts", "--read-archive"},
                          120000);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_NE(o.out.find(dir + "arc/e2e_sut.txt -суточный"), std::string::npos) << o.out;

  sim.stop();  // the simulator saves its memory as it ends
  auto archive = sim::LoadMemoryFile(dir + "memory.json").archive;
  archive.resize(archive::kStoreCells);
  const auto expected = report::ExportArchive(archive, {true, true, true});
  const auto& files = report::ReportFiles();
  for (std::size_t i = 0; i < files.size(); ++i)
    EXPECT_EQ(ReadFile(dir + files[i].folder + "e2e" + files[i].suffix), expected[i])
        << files[i].suffix;
  // Beside them, on request: the CSV files of the same rows and the charts.
  const auto csv = report::CsvFiles(report::ExportSeries(archive, {true, true, true}));
  for (std::size_t i = 0; i < csv.size(); ++i)
    EXPECT_EQ(ReadFile(dir + "arc/csv/e2e" + report::kCsvSuffixes[i]), csv[i]);
  for (const char* chart : {"_sut_1.png", "_sut_2.png", "_chas_1.png", "_chas_2.png"})
    EXPECT_EQ(ReadFile(dir + "arc/graf/e2e" + chart).substr(1, 3), "PNG") << chart;
  std::filesystem::remove_all(dir);
}

TEST(ArcreadE2e, ExitStatusesForAFailingPortASilentMeterAndBadUsage) {
  const std::string dir = e2e::TempDir("arcread_e2e_fail");
  {
    const auto o = e2e::Run("arcread", {"--port", "/dev/nonexistent-port", "--data-dir", dir,
                                        "--read-clock"});
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_NE(o.err.find("/dev/nonexistent-port"), std::string::npos) << o.err;
  }
  {
    e2e::SimProcess sim({"--silent-after", "0"});
    const auto o = e2e::Run("arcread", {"--port", sim.path(), "--data-dir", dir, "--read-clock"});
    EXPECT_EQ(o.exitCode, 3);
    EXPECT_NE(o.err.find("Нет связи с прибором"), std::string::npos) << o.err;
  }
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--frobnicate"}, {"--read-archive", "--read-clock"},
        {"--write-gsm"}}) {
    const auto o = e2e::Run("arcread", args);
    EXPECT_EQ(o.exitCode, 2) << args[0];
    EXPECT_FALSE(o.err.empty());
  }
  std::filesystem::remove_all(dir);
}

TEST(ProgramsE2e, TraceFileHoldsEveryByteOpenAndClose) {
  const std::string dir = e2e::TempDir("trace_e2e");
  struct Case {
    const char* program;
    std::vector<std::string> args;
    const char* firstWrite;  // the first bytes the program sends
  };
  e2e::SimProcess sim({});
  const Case cases[] = {
      {"arcread", {"--data-dir", dir, "--read-clock"}, "> 23 30 30 46 43 39 0D"},  // "#00FC9\r"
      {"linkmon", {"--cycles", "1", "--period", "0,1"}, "> 23 00 03 00 00 00 00 00 00 33 0D"},
  };
  for (const auto& c : cases) {
    auto args = c.args;
    const std::string trace = dir + c.program + ".trace";
    args.insert(args.end(), {"--port", sim.path(), "--trace", trace});
    const auto o = e2e::Run(c.program, args);
    ASSERT_EQ(o.exitCode, 0) << o.err;
    const std::string t = ReadFile(trace);
    EXPECT_NE(t.find("open " + sim.path() + " 115200,N,8,1"), std::string::npos) << t;
    EXPECT_NE(t.find(c.firstWrite), std::string::npos) << c.program;
    EXPECT_NE(t.find(" < "), std::string::npos) << c.program;  // replies read
    EXPECT_NE(t.find("close " + sim.path()), std::string::npos) << c.program;
  }
  const auto bad = e2e::Run("arcread", {"--trace", "/nonexistent-folder/x.trace", "--port", "sim"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("/nonexistent-folder/x.trace"), std::string::npos) << bad.err;
  std::filesystem::remove_all(dir);
}
