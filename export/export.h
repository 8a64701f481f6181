#pragma once
// The archive export: the archive area of the record store in, the bytes of the nine text
// reports out (Windows-1251, every line ending in CR LF). Writing them is the caller's business:
// it appends each text to the file that Start opened for it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace report {

// The nine export files, in the order Start creates them.
enum class ReportFile {
  HourCounter,
  Hour,
  Day,
  MonthCounter,
  Month,
  HourGraph1,
  HourGraph2,
  DayGraph1,
  DayGraph2,
};
constexpr std::size_t kReportFileCount = 9;

// Where a file lives: folder relative to the data folder, and the ending after the file stamp.
struct ReportFileInfo {
  const char* folder;
  const char* suffix;
};
// Indexed by ReportFile.
const std::array<ReportFileInfo, kReportFileCount>& ReportFiles();
const ReportFileInfo& ReportFileOf(ReportFile file);

// Which groups an export writes. `arcgsm` takes them from its range flags (hourly after a read by
// interval, monthly after a read by months); `arcread` writes both, and in its hourly group a
// point code of 6 or more is the factor itself.
struct ExportOptions {
  bool hourly = true;
  bool monthly = true;
  bool hourlyCodeIsFactor = false;
};

// The texts of the nine files, indexed by ReportFile; a file of a group that does not run gets
// an empty text. Cells missing from a short store count as zero.
std::array<std::string, kReportFileCount> ExportArchive(
    const std::vector<std::uint32_t>& archiveValues, const ExportOptions& options);

// The rows the reports print, as numbers, for the other forms of an export (CSV, charts): in
// time order, with the increments of the increment rule. Index 0 is channel 1.
struct SeriesRow {
  std::uint32_t stamp;               // packed clock value yyMMddhh00
  std::array<double, 2> reading;     // scaled counter readings
  std::array<double, 2> previous;    // the last nonzero reading before it (0: none)
  std::array<double, 2> increment;   // over the last nonzero reading of the same series
  std::array<double, 2> time;        // operating time / 100
  std::array<double, 2> timeIncrement;  // over the previous row of the same series
};
struct ArchiveSeries {
  bool hourly = false, monthly = false;  // the groups that ran
  std::vector<SeriesRow> hours;   // every hour (hourly report)
  std::vector<SeriesRow> days;    // the rows of hour 0 (daily report)
  std::vector<SeriesRow> months;  // monthly report
};
ArchiveSeries ExportSeries(const std::vector<std::uint32_t>& archiveValues,
                           const ExportOptions& options);

// The CSV files of an export (UTF-8, one header row, ISO 8601 local times): hours, days,
// months; a group that does not run gives an empty text.
constexpr std::array<const char*, 3> kCsvSuffixes = {"_hours.csv", "_days.csv", "_months.csv"};
std::array<std::string, 3> CsvFiles(const ArchiveSeries& series);

// Status panel text after an export.
inline constexpr const char* kArchivesWritten = "Архивы записаны на диск";

// The four lines the log gets after an export (UTF-8): the heading and the hourly, daily and
// monthly report names. arcFolder is the real "arc/" folder with its closing "/".
std::vector<std::string> ClosingMemoLines(const std::string& arcFolder, const std::string& stamp);

}  // namespace report
