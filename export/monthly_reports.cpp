// The monthly counters and the monthly report.
#include <string>

#include "export/fields.h"
#include "export/writers.h"

namespace report {
namespace {

// Month slot: twelve entries of five words (stamp, readings 1 and 2, T1, T2), then the point
// codes that hold for all of them.
constexpr std::size_t kEntries = 12;
constexpr std::size_t kEntryWords = 5;
constexpr std::size_t kPointCode1Word = 62;
constexpr std::size_t kPointCode2Word = 63;

constexpr std::size_t kMonthRowBytes = 62;

void AppendEntryRow(std::string& text, const ExportRow& row) {
  AppendMonthPrefix(text, row.Stamp);
  AppendReal(text, row.Reading1, 12, 3);
  AppendReal(text, row.Reading2, 12, 3);
  AppendReal(text, row.T1 / 100, 11, 2);
  AppendReal(text, row.T2 / 100, 11, 2);
  text += ' ';
  text += kLineEnd;
}

}  // namespace

std::string WriteMonthCounterFile(std::span<const std::uint32_t> cells, ExportTable& collected) {
  static const std::string heading = Cp1251Lines(
      {"архив счетчиков по месяцам",
       "Дата    Время     КАНАЛ №1  КАНАЛ №2           T1         T2"});
  std::string text = heading;
  text.reserve(heading.size() + kMonthSlots * kEntries * kMonthRowBytes);
  for (std::size_t index = kFirstMonthSlot; index < kFirstMonthSlot + kMonthSlots; ++index) {
    const Slot slot = SlotAt(cells, index);
    const double factor1 = PointFactor(slot[kPointCode1Word], false);
    const double factor2 = PointFactor(slot[kPointCode2Word], false);
    for (std::size_t entry = 0; entry < kEntries; ++entry) {
      const auto words = slot.subspan(entry * kEntryWords, kEntryWords);
      if (!HasData(words[0])) continue;
      const ExportRow row{words[0] / 1000000 * 1000000, words[1] * factor1, words[2] * factor2,
                          static_cast<double>(words[3]), static_cast<double>(words[4])};
      AppendEntryRow(text, row);
      collected.push_back(row);
    }
  }
  return text;
}

std::string WriteMonthFile(const Pass& months) {
  static const std::string heading = Cp1251Lines(
      {"АРХИВ ЗНАЧЕНИЙ ПО МЕСЯЦАМ",
       "Дата    Время     КАНАЛ №1  КАНАЛ №2   Счетчик №1  Счетчик №2       T1         T2"});
  std::string text = heading;
  text.reserve(heading.size() + months.size() * 85);
  for (const auto& step : months) {
    AppendMonthPrefix(text, step.row->Stamp);
    AppendIncrementColumns(text, step);
    AppendReal(text, step.row->T1 / 100, 12, 1);
    AppendReal(text, step.row->T2 / 100, 12, 1);
    text += kLineEnd;
  }
  return text;
}

}  // namespace report
