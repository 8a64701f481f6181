#include "export/export.h"

#include <span>

#include "export/writers.h"

namespace report {
namespace {

using Files = std::array<std::string, kReportFileCount>;

std::string& FileText(Files& files, ReportFile file) {
  return files[static_cast<std::size_t>(file)];
}

void WriteHourlyGroup(std::span<const std::uint32_t> cells, bool codeIsFactor, Files& files) {
  ExportTable table;
  table.reserve(kDaySlots * 24);
  FileText(files, ReportFile::HourCounter) = WriteHourCounterFile(cells, codeIsFactor, table);
  OrderTable(table);
  const Pass hours = WalkPass(table, false);
  FileText(files, ReportFile::Hour) = WriteHourFile(hours);
  const auto scales = HourlyScales(hours);
  FileText(files, ReportFile::HourGraph1) = WriteHourGraph(hours, 0, scales[0]);
  FileText(files, ReportFile::HourGraph2) = WriteHourGraph(hours, 1, scales[1]);
  const Pass days = WalkPass(table, true);
  FileText(files, ReportFile::Day) = WriteDayFile(days);
  FileText(files, ReportFile::DayGraph1) = WriteDayGraph(days, 0, 24 * scales[0]);
  FileText(files, ReportFile::DayGraph2) = WriteDayGraph(days, 1, 24 * scales[1]);
}

void WriteMonthlyGroup(std::span<const std::uint32_t> cells, Files& files) {
  ExportTable table;
  FileText(files, ReportFile::MonthCounter) = WriteMonthCounterFile(cells, table);
  OrderTable(table);
  FileText(files, ReportFile::Month) = WriteMonthFile(WalkPass(table, false));
}

}  // namespace

const std::array<ReportFileInfo, kReportFileCount>& ReportFiles() {
  static constexpr std::array<ReportFileInfo, kReportFileCount> kFiles = {{
      {"arc/dop/", "_sch.txt"},
      {"arc/", "_chas.txt"},
      {"arc/", "_sut.txt"},
      {"arc/dop/", "_sch_mes.txt"},
      {"arc/", "_mes.txt"},
      {"arc/graf/", "_chas_1.txt"},
      {"arc/graf/", "_chas_2.txt"},
      {"arc/graf/", "_sut_1.txt"},
      {"arc/graf/", "_sut_2.txt"},
  }};
  return kFiles;
}

const ReportFileInfo& ReportFileOf(ReportFile file) {
  return ReportFiles()[static_cast<std::size_t>(file)];
}

Files ExportArchive(const std::vector<std::uint32_t>& archiveValues,
                    const ExportOptions& options) {
  // A store shorter than the archive area reads as zeros past its end: no data there.
  std::vector<std::uint32_t> padded;
  std::span<const std::uint32_t> cells(archiveValues);
  if (cells.size() < kExportCells) {
    padded = archiveValues;
    padded.resize(kExportCells);
    cells = padded;
  }
  Files files;
  if (options.hourly) WriteHourlyGroup(cells, options.hourlyCodeIsFactor, files);
  if (options.monthly) WriteMonthlyGroup(cells, files);
  return files;
}

std::vector<std::string> ClosingMemoLines(const std::string& arcFolder,
                                          const std::string& stamp) {
  const auto name = [&](ReportFile file) {
    return arcFolder + stamp + ReportFileOf(file).suffix;
  };
  return {std::string(kArchivesWritten) + ":", name(ReportFile::Hour) + " -часовой",
          name(ReportFile::Day) + " -суточный", name(ReportFile::Month) + " - месячный"};
}

}  // namespace report
