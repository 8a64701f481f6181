#pragma once
// The report writers of the hourly and the monthly group; each returns the text of one file.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "export/export_table.h"

namespace report {

// Hourly group. The counter file lists the day slots in slot order and collects one row per
// hour of each slot with data; the other files walk the ordered rows.
std::string WriteHourCounterFile(std::span<const std::uint32_t> cells, bool codeIsFactor,
                                 ExportTable& collected);
std::string WriteHourFile(const Pass& hours);
std::string WriteDayFile(const Pass& days);

// The largest hourly increment of each channel over the rows with a previous reading; 1 when
// there is none or it is 0.
std::array<double, 2> HourlyScales(const Pass& hours);
// Bar charts of one channel (0 or 1): every hour under the hourly scale, or the hour-0 rows
// under the daily one.
std::string WriteHourGraph(const Pass& hours, int channel, double scale);
std::string WriteDayGraph(const Pass& days, int channel, double scale);

// Monthly group: the month entries in store order, collecting one row each; then the ordered
// months.
std::string WriteMonthCounterFile(std::span<const std::uint32_t> cells, ExportTable& collected);
std::string WriteMonthFile(const Pass& months);

// The increments and readings of both channels: 11/3, 11/3, 12/3, 12/3.
void AppendIncrementColumns(std::string& line, const PassRow& step);

}  // namespace report
