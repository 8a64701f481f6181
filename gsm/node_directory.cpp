#include "gsm/node_directory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <sstream>

#include "platform/errors.h"
#include "platform/text.h"

namespace gsm {
namespace {

constexpr const char* kSection = "baza";
constexpr const char* kCountKey = "kol_uzlov";
constexpr const char* kPhoneKey = "tel_";
constexpr const char* kNameKey = "name_u";
constexpr std::int32_t kDirectorySlots = 256;
constexpr std::int32_t kMostListed = 9999;  // nodes past the slots, whatever the keys say

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view Trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// The keys and values of the section, as bytes: key names in lower case (ini keys ignore
// case), the first of repeated keys kept, values with the blanks around them removed.
std::map<std::string, std::string> SectionValues(std::string_view ini, std::string_view section) {
  std::map<std::string, std::string> values;
  bool inSection = false;
  while (!ini.empty()) {
    const auto eol = ini.find_first_of("\r\n");
    const std::string_view line = Trim(ini.substr(0, eol));
    ini.remove_prefix(eol == std::string_view::npos ? ini.size() : eol + 1);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const auto close = line.find(']');
      inSection =
          close != std::string_view::npos && Lower(Trim(line.substr(1, close - 1))) == section;
      continue;
    }
    const auto eq = line.find('=');
    if (!inSection || eq == std::string_view::npos) continue;
    values.emplace(Lower(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1))));
  }
  return values;
}

// N of a key "<prefix>N" (decimal, no leading zeros, 1 or more), if the key is one.
std::optional<std::int32_t> NodeNumber(const std::string& key, std::string_view prefix) {
  if (key.rfind(prefix, 0) != 0) return std::nullopt;
  const std::string_view digits = std::string_view(key).substr(prefix.size());
  if (digits.empty() || digits.size() > 10 || digits[0] == '0') return std::nullopt;
  std::int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(n);
}

std::int32_t HighestNodeKey(const std::map<std::string, std::string>& values) {
  std::int32_t highest = 0;
  for (const auto& [key, value] : values)
    for (const char* prefix : {kPhoneKey, kNameKey})
      if (auto n = NodeNumber(key, prefix)) highest = std::max(highest, *n);
  return highest;
}

std::int32_t Count(const std::map<std::string, std::string>& values) {
  const auto it = values.find(kCountKey);
  if (it == values.end()) return 0;
  try {
    const long long n = platform::ParseInteger(it->second);
    using Limits = std::numeric_limits<std::int32_t>;
    if (n < Limits::min() || n > Limits::max()) return 0;
    return static_cast<std::int32_t>(n);
  } catch (const platform::ConversionError&) {
    return 0;
  }
}

std::string Value(const std::map<std::string, std::string>& values, const std::string& key) {
  const auto it = values.find(key);
  return it == values.end() ? std::string() : platform::FromCp1251(it->second);
}

}  // namespace

NodeDirectory ParseNodeDirectory(std::string_view iniBytes) {
  const auto values = SectionValues(iniBytes, kSection);
  NodeDirectory d;
  d.NodeCount = Count(values);
  const std::int32_t listed =
      d.NodeCount <= kDirectorySlots
          ? d.NodeCount
          : std::min({d.NodeCount, HighestNodeKey(values), kMostListed});
  for (std::int32_t n = 1; n <= listed; ++n) {
    d.NodePhones.push_back(Value(values, kPhoneKey + std::to_string(n)));
    d.NodeNames.push_back(Value(values, kNameKey + std::to_string(n)));
  }
  return d;
}

NodeDirectory ReadNodeDirectory(const std::string& path) {
  // Only a regular file is read: a folder or a pipe in its place gives no directory.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  if (!(bytes << file.rdbuf())) return {};
  return ParseNodeDirectory(bytes.str());
}

}  // namespace gsm
