#include "export/export.h"
#include "export/fields.h"

namespace report {
namespace {

// "2009-08-15T14:00" from a packed clock value yyMMddhh00; months have day 01.
void AppendIsoTime(std::string& line, std::uint32_t stamp, bool month) {
  const auto two = [&line](unsigned v) {
    line += static_cast<char>('0' + v / 10 % 10);
    line += static_cast<char>('0' + v % 10);
  };
  line += std::to_string(2000 + stamp / 100000000);
  line += '-';
  two(stamp % 100000000 / 1000000);
  line += '-';
  if (month) line += "01"; else two(stamp % 1000000 / 10000);
  line += 'T';
  two(month ? 0 : stamp % 10000 / 100);
  line += ":00";
}

void AppendNumbers(std::string& line, std::initializer_list<double> values, int decimals) {
  for (double v : values) {
    line += ',';
    AppendReal(line, v, 0, decimals);
  }
}

// One file: the header, then a row per series row. Readings and increments keep the reports'
// three decimals, operating times their two.
std::string Csv(const std::vector<SeriesRow>& rows, const char* header, bool month,
                bool timeIncrements) {
  std::string text = header;
  text += "\r\n";
  for (const auto& r : rows) {
    AppendIsoTime(text, r.stamp, month);
    AppendNumbers(text, {r.reading[0], r.reading[1], r.increment[0], r.increment[1]}, 3);
    AppendNumbers(text, {r.time[0], r.time[1]}, 2);
    if (timeIncrements) AppendNumbers(text, {r.timeIncrement[0], r.timeIncrement[1]}, 2);
    text += "\r\n";
  }
  return text;
}

}  // namespace

std::array<std::string, 3> CsvFiles(const ArchiveSeries& series) {
  static const char* kHeader =
      "time,reading1,reading2,increment1,increment2,operating_time1,operating_time2";
  static const char* kDayHeader =
      "time,reading1,reading2,increment1,increment2,operating_time1,operating_time2,"
      "operating_time_increment1,operating_time_increment2";
  std::array<std::string, 3> files;
  if (series.hourly) {
    files[0] = Csv(series.hours, kHeader, false, false);
    files[1] = Csv(series.days, kDayHeader, false, true);
  }
  if (series.monthly) files[2] = Csv(series.months, kHeader, true, false);
  return files;
}

}  // namespace report
