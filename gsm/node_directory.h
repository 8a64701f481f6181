#pragma once
// The directory of metering nodes that arcgsm may call: "gsm_csd.ini" in the data folder, a
// Windows ini text in Windows-1251 prepared outside the programs and only read here. Section
// "baza": "kol_uzlov" the number of nodes, "tel_N" and "name_uN" the telephone entry and the
// name of node N (from 1).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gsm {

inline constexpr const char* kNodeDirectoryFile = "gsm_csd.ini";
// The number field's text until a node is chosen: a placeholder in international form.
inline constexpr const char* kPlaceholderPhone = "+79001234567";
// The node list's text until a node is chosen.
inline constexpr const char* kNodeListText = "Узел учета";

struct NodeDirectory {
  std::int32_t NodeCount = 0;           // "kol_uzlov" as given (0: missing, not a number)
  std::vector<std::string> NodePhones;  // index N - 1: "tel_N", UTF-8, empty when missing
  std::vector<std::string> NodeNames;   // index N - 1: "name_uN", UTF-8, empty when missing
};

// Nodes 1 to NodeCount are listed; a count above the 256 nodes a directory is made for lists
// them only as far as the file has keys for, and never more than 9999, so that neither a wild
// count nor a wild key number costs anything. A missing or unreadable file, a missing section
// or count give an empty directory.
NodeDirectory ReadNodeDirectory(const std::string& path);
// The same from the file's bytes.
NodeDirectory ParseNodeDirectory(std::string_view iniBytes);

}  // namespace gsm
