// Export of a full record store: every day slot and every month entry holds data.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "archive/record_store.h"
#include "export/export.h"

namespace {

// A year's worth of meter data as the whole-archive read leaves it: 130 days of hourly counters
// rising at an uneven rate, then 19 slots of twelve months.
std::vector<std::uint32_t> FullStore() {
  std::vector<std::uint32_t> store = archive::RecordStore().ArchiveValues;
  for (std::uint32_t slot = 0; slot < 130; ++slot) {
    const std::uint32_t base = slot * 64;
    for (std::uint32_t h = 0; h < 24; ++h) {
      const std::uint32_t hour = slot * 24 + h;
      store[base + 2 * h] = 1234567 + hour * 1873 + (hour * hour % 11) * 97;
      store[base + 2 * h + 1] = 76543 + hour * 211 + (hour % 5) * 13;
    }
    store[base + 48] = 905000000 + slot / 31 * 1000000 + (slot % 31 + 1) * 10000 + 1230;
    store[base + 49] = 360000 + slot * 2400;
    store[base + 50] = 120000 + slot * 2390;
    store[base + 52] = 1;
    store[base + 53] = 2;
  }
  for (std::uint32_t slot = 130; slot < 149; ++slot) {
    const std::uint32_t base = slot * 64;
    for (std::uint32_t entry = 0; entry < 12; ++entry) {
      const std::uint32_t month = (slot - 130) * 12 + entry;
      store[base + 5 * entry] = (1 + month / 12) * 100000000 + (entry + 1) * 1000000;
      store[base + 5 * entry + 1] = 1000000 + month * 720131;
      store[base + 5 * entry + 2] = 50000 + month * 17077;
      store[base + 5 * entry + 3] = month * 72000;
      store[base + 5 * entry + 4] = month * 71000;
    }
    store[base + 62] = 1;
    store[base + 63] = 2;
  }
  return store;
}

void BM_ExportFullStore(benchmark::State& state) {
  const auto store = FullStore();
  const report::ExportOptions arcread{true, true, true};
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto files = report::ExportArchive(store, arcread);
    bytes = 0;
    for (const auto& text : files) bytes += text.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ExportFullStore)->Unit(benchmark::kMillisecond);

}  // namespace
