#include "export/export_table.h"

#include <algorithm>

#include "export/fields.h"

namespace report {

Slot SlotAt(std::span<const std::uint32_t> cells, std::size_t index) {
  return cells.subspan(index * kSlotWords).first<kSlotWords>();
}

bool HasData(std::uint32_t stamp) { return stamp != 0 && stamp != 0xFFFFFFFFu; }

double PointFactor(std::uint32_t pointCode, bool codeIsFactor) {
  static constexpr double kFactors[] = {0.001, 0.001, 0.01, 0.1, 1, 10};
  if (pointCode < std::size(kFactors)) return kFactors[pointCode];
  return codeIsFactor ? static_cast<double>(pointCode) : 0.0;
}

void OrderTable(ExportTable& table) {
  // Reversed first, a stable sort leaves rows of equal Stamp the later collected first.
  std::reverse(table.begin(), table.end());
  std::stable_sort(table.begin(), table.end(),
                   [](const ExportRow& a, const ExportRow& b) { return a.Stamp < b.Stamp; });
}

Pass WalkPass(const ExportTable& ordered, bool hourZeroOnly) {
  Pass pass;
  pass.reserve(ordered.size());
  std::array<double, 2> previous{0, 0};
  std::array<double, 2> previousTime{0, 0};
  for (const auto& row : ordered) {
    if (!HasData(row.Stamp) || (hourZeroOnly && HourOf(row.Stamp) != 0)) continue;
    PassRow step{&row, previous, {}, {}};
    const std::array<double, 2> times{row.T1 / 100, row.T2 / 100};
    for (int channel = 0; channel < 2; ++channel) {
      const double reading = step.Reading(channel);
      if (reading != 0) {
        step.increment[channel] = reading - previous[channel];
        previous[channel] = reading;
      }
      step.timeIncrement[channel] = times[channel] - previousTime[channel];
    }
    previousTime = times;
    pass.push_back(step);
  }
  return pass;
}

}  // namespace report
