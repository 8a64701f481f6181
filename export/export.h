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

// Status panel text after an export.
inline constexpr const char* kArchivesWritten = "Архивы записаны на диск";

// The four lines the log gets after an export (UTF-8): the heading and the hourly, daily and
// monthly report names. arcFolder is the real "arc/" folder with its closing "/".
std::vector<std::string> ClosingMemoLines(const std::string& arcFolder, const std::string& stamp);

}  // namespace report
