// The hourly counters, the hourly report and the daily report.
#include <string>

#include "export/fields.h"
#include "export/writers.h"
#include "platform/text.h"

namespace report {
namespace {

// Day slot words.
constexpr std::size_t kDayStampWord = 48;
constexpr std::size_t kT1Word = 49;
constexpr std::size_t kT2Word = 50;
constexpr std::size_t kPointCode1Word = 52;
constexpr std::size_t kPointCode2Word = 53;
constexpr std::uint32_t kHours = 24;

// A day block with its CR LFs: column line, 24 hour rows, operating times, ">".
constexpr std::size_t kDayBlockBytes = 43 + kHours * 47 + 45 + 3;

// The day's 24 hour rows, each also collected into the table.
void AppendHourRows(std::string& text, Slot slot, bool codeIsFactor, ExportTable& collected) {
  const std::uint32_t day = slot[kDayStampWord] / 10000 * 10000;
  const double factor1 = PointFactor(slot[kPointCode1Word], codeIsFactor);
  const double factor2 = PointFactor(slot[kPointCode2Word], codeIsFactor);
  const double t1 = slot[kT1Word];
  const double t2 = slot[kT2Word];
  for (std::uint32_t hour = 0; hour < kHours; ++hour) {
    const ExportRow row{day + hour * 100, slot[2 * hour] * factor1, slot[2 * hour + 1] * factor2,
                        t1, t2};
    AppendHourPrefix(text, row.Stamp);
    AppendReal(text, row.Reading1, 12, 3);
    text += ' ';
    AppendReal(text, row.Reading2, 12, 3);
    text += "    ";
    text += kLineEnd;
    collected.push_back(row);
  }
}

void AppendOperatingTimes(std::string& text, Slot slot) {
  static const std::string label = platform::ToCp1251("Время наработки T1=");
  text += label;
  AppendReal(text, slot[kT1Word] / 100.0, 10, 1);
  text += " T2=";
  AppendReal(text, slot[kT2Word] / 100.0, 10, 1);
  text += kLineEnd;
}

}  // namespace

std::string WriteHourCounterFile(std::span<const std::uint32_t> cells, bool codeIsFactor,
                                 ExportTable& collected) {
  static const std::string title = Cp1251Lines({"архив счетчиков по часам"});
  static const std::string columns =
      Cp1251Lines({"Дата       Время   Счетчик №1  Счетчик №2"});
  std::string text = title;
  text.reserve(title.size() + kDaySlots * kDayBlockBytes);
  for (std::size_t index = 0; index < kDaySlots; ++index) {
    const Slot slot = SlotAt(cells, index);
    if (!HasData(slot[kDayStampWord])) continue;
    text += columns;
    AppendHourRows(text, slot, codeIsFactor, collected);
    AppendOperatingTimes(text, slot);
    text += '>';
    text += kLineEnd;
  }
  return text;
}

void AppendIncrementColumns(std::string& line, const PassRow& step) {
  AppendReal(line, step.increment[0], 11, 3);
  AppendReal(line, step.increment[1], 11, 3);
  AppendReal(line, step.row->Reading1, 12, 3);
  AppendReal(line, step.row->Reading2, 12, 3);
}

std::string WriteHourFile(const Pass& hours) {
  static const std::string heading = Cp1251Lines(
      {"АРХИВ ЧАСОВЫХ ЗНАЧЕНИЙ",
       "Дата       Время    КАНАЛ №1   КАНАЛ №2   Счетчик №1   Счетчик №2"});
  std::string text = heading;
  text.reserve(heading.size() + hours.size() * 64);
  for (const auto& step : hours) {
    AppendHourPrefix(text, step.row->Stamp);
    AppendIncrementColumns(text, step);
    text += kLineEnd;
  }
  return text;
}

std::string WriteDayFile(const Pass& days) {
  static const std::string heading = Cp1251Lines(
      {"АРХИВ СУТОЧНЫЙ",
       "Дата       Время    КАНАЛ №1   КАНАЛ №2   Счетчик №1  Счетчик №2  Наработка1 Наработка2",
       std::string(71, ' ') + "(за сутки)"});
  std::string text = heading;
  text.reserve(heading.size() + days.size() * 86);
  for (const auto& step : days) {
    AppendHourPrefix(text, step.row->Stamp);
    AppendIncrementColumns(text, step);
    AppendReal(text, step.timeIncrement[0], 11, 2);
    AppendReal(text, step.timeIncrement[1], 11, 2);
    text += kLineEnd;
  }
  return text;
}

}  // namespace report
