// CSV export: the same rows and numbers as the text reports, read back from the reports.
#include <gtest/gtest.h>

#include <sstream>

#include "archive/record_store.h"
#include "export/export.h"
#include "platform/clock.h"
#include "sim/memory.h"

using namespace report;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
  return lines;
}

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == sep) out.emplace_back(); else out.back() += c;
  }
  return out;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The numbers of a report row at the given column ranges.
std::vector<std::string> Columns(const std::string& row,
                                 std::initializer_list<std::pair<int, int>> ranges) {
  std::vector<std::string> out;
  for (auto [from, to] : ranges) out.push_back(Trim(row.substr(from, to - from + 1)));
  return out;
}

std::vector<std::uint32_t> FullStore() {
  auto archive = sim::GenerateMemory(7, platform::EncodeDateTime({2009, 8, 15, 14, 0})).archive;
  archive.resize(archive::kStoreCells);
  return archive;
}

}  // namespace

TEST(Csv, RowsAndNumbersAreThoseOfTheReports) {
  const auto store = FullStore();
  const ExportOptions options{true, true, false};
  const auto reports = ExportArchive(store, options);
  const auto csv = CsvFiles(ExportSeries(store, options));

  const auto hourRows = Lines(reports[static_cast<int>(ReportFile::Hour)]);
  const auto hourCsv = Lines(csv[0]);
  ASSERT_EQ(hourCsv.size(), hourRows.size() - 1);  // one header row against two heading lines
  ASSERT_GT(hourCsv.size(), 1000u);
  EXPECT_EQ(hourCsv[0],
            "time,reading1,reading2,increment1,increment2,operating_time1,operating_time2");
  for (std::size_t i = 1; i < hourCsv.size(); ++i) {
    const auto fields = Split(hourCsv[i], ',');
    ASSERT_EQ(fields.size(), 7u);
    const auto report = Columns(hourRows[i + 1], {{16, 26}, {27, 37}, {38, 49}, {50, 61}});
    EXPECT_EQ((std::vector<std::string>{fields[3], fields[4], fields[1], fields[2]}), report) << i;
    // 2009. 8.15 14:00 in the report is 2009-08-15T14:00 here.
    const std::string date = hourRows[i + 1].substr(0, 16);
    EXPECT_EQ(fields[0].substr(0, 4), date.substr(0, 4));
    EXPECT_EQ(std::stoi(fields[0].substr(11, 2)), std::stoi(date.substr(11, 2))) << i;
  }

  const auto dayRows = Lines(reports[static_cast<int>(ReportFile::Day)]);
  const auto dayCsv = Lines(csv[1]);
  ASSERT_EQ(dayCsv.size(), dayRows.size() - 2);  // three heading lines
  for (std::size_t i = 1; i < dayCsv.size(); ++i) {
    const auto f = Split(dayCsv[i], ',');
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(f[0].substr(10), "T00:00");
    EXPECT_EQ((std::vector<std::string>{f[3], f[4], f[1], f[2], f[7], f[8]}),
              Columns(dayRows[i + 2], {{16, 26}, {27, 37}, {38, 49}, {50, 61}, {62, 72}, {73, 83}}));
  }

  const auto monthRows = Lines(reports[static_cast<int>(ReportFile::Month)]);
  const auto monthCsv = Lines(csv[2]);
  ASSERT_EQ(monthCsv.size(), monthRows.size() - 1);
  for (std::size_t i = 1; i < monthCsv.size(); ++i) {
    const auto f = Split(monthCsv[i], ',');
    EXPECT_EQ(f[0].substr(7), "-01T00:00");
    EXPECT_EQ((std::vector<std::string>{f[3], f[4], f[1], f[2]}),
              Columns(monthRows[i + 1], {{13, 23}, {24, 34}, {35, 46}, {47, 58}}));
  }
}

TEST(Csv, GroupsThatDoNotRunGiveNoFileAndEmptyGroupsAHeader) {
  const std::vector<std::uint32_t> empty(archive::kStoreCells);
  const auto monthsOnly = CsvFiles(ExportSeries(empty, {false, true, false}));
  EXPECT_TRUE(monthsOnly[0].empty());
  EXPECT_TRUE(monthsOnly[1].empty());
  EXPECT_EQ(Lines(monthsOnly[2]).size(), 1u);
}
