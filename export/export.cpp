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

namespace {

// The archive area of a store; a store shorter than it reads as zeros past its end: no data.
std::span<const std::uint32_t> ArchiveArea(const std::vector<std::uint32_t>& archiveValues,
                                           std::vector<std::uint32_t>& padded) {
  if (archiveValues.size() >= kExportCells) return archiveValues;
  padded = archiveValues;
  padded.resize(kExportCells);
  return padded;
}

std::vector<SeriesRow> Series(const Pass& pass) {
  std::vector<SeriesRow> rows;
  rows.reserve(pass.size());
  for (const auto& step : pass)
    rows.push_back({step.row->Stamp,
                    {step.row->Reading1, step.row->Reading2},
                    step.previous,
                    step.increment,
                    {step.row->T1 / 100, step.row->T2 / 100},
                    step.timeIncrement});
  return rows;
}

}  // namespace

ArchiveSeries ExportSeries(const std::vector<std::uint32_t>& archiveValues,
                           const ExportOptions& options) {
  std::vector<std::uint32_t> padded;
  const auto cells = ArchiveArea(archiveValues, padded);
  ArchiveSeries series;
  series.hourly = options.hourly;
  series.monthly = options.monthly;
  if (options.hourly) {
    ExportTable table;
    WriteHourCounterFile(cells, options.hourlyCodeIsFactor, table);  // collects the rows
    OrderTable(table);
    series.hours = Series(WalkPass(table, false));
    series.days = Series(WalkPass(table, true));
  }
  if (options.monthly) {
    ExportTable table;
    WriteMonthCounterFile(cells, table);
    OrderTable(table);
    series.months = Series(WalkPass(table, false));
  }
  return series;
}

Files ExportArchive(const std::vector<std::uint32_t>& archiveValues,
                    const ExportOptions& options) {
  std::vector<std::uint32_t> padded;
  const auto cells = ArchiveArea(archiveValues, padded);
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
