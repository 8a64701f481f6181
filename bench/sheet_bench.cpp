// The parameter sheet of both channels from the first 200 records.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <vector>

#include "archive/parameter_sheet.h"
#include "archive/record_store.h"
#include "link/frames.h"

namespace {

archive::RecordStore SheetStore() {
  archive::RecordStore store;
  for (std::size_t p = 0; p < archive::kParameterRecords; ++p)
    store.ParamValues[p] = devlink::FloatBits(0.125f * static_cast<float>(p + 1));
  return store;
}

void BM_ParameterSheet(benchmark::State& state) {
  const archive::RecordStore store = SheetStore();
  for (auto _ : state) {
    const std::vector<std::string> lines = archive::ParameterSheet(store);
    benchmark::DoNotOptimize(lines.data());
  }
}
BENCHMARK(BM_ParameterSheet)->Unit(benchmark::kMicrosecond);

}  // namespace
