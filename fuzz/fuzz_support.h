#pragma once
// What the fuzz targets share: the input read front to back as a script, checks that end the
// run with a message (libFuzzer then keeps the input as a crash), and the test that a text
// is one the programs can show and write.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/text.h"

namespace fuzz {

// The fuzz input as a script. Past its end every read gives zeros.
class Script {
 public:
  Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool done() const { return pos_ >= size_; }
  std::uint8_t byte() { return done() ? 0 : data_[pos_++]; }
  // Least significant byte first, as on the line.
  std::uint16_t word() {
    const std::uint16_t low = byte();
    return static_cast<std::uint16_t>(low | byte() << 8);
  }
  std::uint32_t dword() {
    const std::uint32_t low = word();
    return low | static_cast<std::uint32_t>(word()) << 16;
  }
  // Up to `n` bytes, fewer at the end of the input.
  std::string bytes(std::size_t n) {
    const std::size_t take = n < size_ - pos_ ? n : size_ - pos_;
    std::string out(reinterpret_cast<const char*>(data_ + pos_), take);
    pos_ += take;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Ends the run: what was expected, and what was found instead.
[[noreturn]] inline void Fail(std::string_view what, std::string_view found = {}) {
  std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  if (!found.empty())
    std::fprintf(stderr, "  found: %.*s\n", static_cast<int>(found.size()), found.data());
  std::abort();
}

inline void Check(bool ok, std::string_view what, std::string_view found = {}) {
  if (!ok) Fail(what, found);
}

// A handler that ends with an error is a finding: the inputs of the targets raise none.
inline void FailOnReportedErrors() {
  platform::SetErrorReporter(
      [](const platform::Error& e) { Fail("no handler reports an error", e.what()); });
}

// UTF-8 in which every character has a Windows-1251 code: what a window shows and a file holds.
inline bool Cp1251Text(std::string_view utf8) { return platform::TryToCp1251(utf8).has_value(); }

}  // namespace fuzz
