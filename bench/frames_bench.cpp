// The per-record work of a read: building the 11-byte request, and checking and decoding the
// 11-byte reply. Both run once per round trip of about 2 ms at 115200 bit/s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "link/frames.h"

namespace {

void BM_BuildRequest(benchmark::State& state) {
  std::uint16_t position = 0;
  for (auto _ : state) {
    const std::string bytes = devlink::FrameBytes(devlink::BinaryRequest(0, 'R', position, 0));
    benchmark::DoNotOptimize(bytes.data());
    position = static_cast<std::uint16_t>((position + 1) % 12800);
  }
}
BENCHMARK(BM_BuildRequest);

void BM_CheckReply(benchmark::State& state) {
  devlink::Frame reply = devlink::BinaryRequest(0, 'R', 4321, 0x12345678);
  const std::string bytes = devlink::FrameBytes(reply);
  std::uint32_t sum = 0;
  for (auto _ : state) {
    const devlink::Frame f = devlink::FrameFromBytes(bytes);
    if (devlink::ReplyChecksumOk(f)) sum += devlink::ReplyValue(f);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_CheckReply);

}  // namespace
