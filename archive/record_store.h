#pragma once
// What the archive programs read from the meter, by record position. One reply value lands in
// three arrays, each read at its own width by its own consumer; nothing clears them during a
// program run.
#include <cstdint>
#include <vector>

namespace archive {

constexpr int kStoreCells = 20001;     // positions 0 to 20000
constexpr int kFillerCells = 524;      // positions whose filler is position x 1.1

struct RecordStore {
  std::vector<std::uint32_t> ArchiveValues = std::vector<std::uint32_t>(kStoreCells);
  std::vector<std::uint32_t> ParamValues = std::vector<std::uint32_t>(kStoreCells);  // raw bits
  std::vector<std::uint32_t> WordValues = std::vector<std::uint32_t>(kStoreCells);   // low 16 bits
  std::vector<float> FillerValues = std::vector<float>(kStoreCells);

  // A reply value at a position, into all three reply arrays.
  void Store(std::uint16_t position, std::uint32_t value) {
    if (position >= kStoreCells) return;
    ArchiveValues[position] = value;
    ParamValues[position] = value;
    WordValues[position] = value & 0xFFFF;
  }
  // Start fills cell p with p x 1.1 in single precision for p = 0 to 523.
  void PrepareFillers() {
    for (int p = 0; p < kFillerCells; ++p) FillerValues[p] = static_cast<float>(p * 1.1);
  }
};

}  // namespace archive
