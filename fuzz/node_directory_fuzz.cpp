// arcgsm's node directory read from arbitrary bytes in place of gsm_csd.ini. Checks: one phone
// and one name per listed node, all the counted nodes listed when the count fits the directory,
// and every text one line of Windows-1251 read from the file.
#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "gsm/node_directory.h"

namespace {

using fuzz::Check;

constexpr std::int32_t kDirectorySlots = 256;
constexpr std::string_view kUnassigned = "\xEF\xBF\xBD";  // U+FFFD, for the byte 0x98

// A value of the file as the list and the number field get it: on one line, each character
// the reading of one Windows-1251 byte.
void CheckText(std::string text) {
  Check(text.find_first_of("\r\n") == std::string::npos, "a value stays on its line", text);
  for (std::size_t at; (at = text.find(kUnassigned)) != std::string::npos;)
    text.erase(at, kUnassigned.size());
  Check(fuzz::Cp1251Text(text), "a value is Windows-1251 text", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto directory =
      gsm::ParseNodeDirectory(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::size_t listed = directory.NodeNames.size();
  Check(directory.NodePhones.size() == listed, "one phone and one name per node");
  if (directory.NodeCount <= kDirectorySlots)
    Check(listed == static_cast<std::size_t>(std::max(directory.NodeCount, 0)),
          "a count that fits the directory lists that many nodes");
  for (std::size_t n = 0; n < listed; ++n) {
    CheckText(directory.NodePhones[n]);
    CheckText(directory.NodeNames[n]);
  }
  return 0;
}
