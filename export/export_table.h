#pragma once
// The record store as the export reads it, the rows a group collects from it, their order, and
// the increment rule that every report pass applies to them.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace report {

// Slots of 64 cells: day slots 0 to 129, then month slots 130 to 148.
constexpr std::size_t kSlotWords = 64;
constexpr std::size_t kDaySlots = 130;
constexpr std::size_t kFirstMonthSlot = 130;
constexpr std::size_t kMonthSlots = 19;
constexpr std::size_t kExportCells = (kFirstMonthSlot + kMonthSlots) * kSlotWords;

using Slot = std::span<const std::uint32_t, kSlotWords>;
// Slot `index` of a store of at least kExportCells cells.
Slot SlotAt(std::span<const std::uint32_t> cells, std::size_t index);

// A slot, a month entry or a row holds data unless its stamp is 0 or all 32 bits set.
bool HasData(std::uint32_t stamp);

// Scale of a raw counter reading by the channel's point code. Codes 6 and above give 0 (no
// reading), unless the code is taken as the factor itself.
double PointFactor(std::uint32_t pointCode, bool codeIsFactor);

struct ExportRow {
  std::uint32_t Stamp;  // packed clock value, minute 0
  double Reading1;      // scaled counter readings
  double Reading2;
  double T1;            // raw operating times
  double T2;
};
using ExportTable = std::vector<ExportRow>;

// Ascending Stamp; of two rows with the same Stamp the one collected later comes first.
void OrderTable(ExportTable& table);

// A row that a pass prints, with what the increment rule gives each channel (index 0 is
// channel 1): the last nonzero reading before it, the increment over that reading (0 for a zero
// reading), and the operating time / 100 minus that of the pass's previous row.
struct PassRow {
  const ExportRow* row;
  std::array<double, 2> previous;
  std::array<double, 2> increment;
  std::array<double, 2> timeIncrement;
  double Reading(int channel) const { return channel == 0 ? row->Reading1 : row->Reading2; }
};
using Pass = std::vector<PassRow>;

// The rows with data of an ordered table, all of them or those of hour 0 only, each chain
// starting from 0.
Pass WalkPass(const ExportTable& ordered, bool hourZeroOnly);

}  // namespace report
