#pragma once
// Windows-1251 at the edges (files, the line, the node directory); inside, texts are UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 to Windows-1251; nullopt when a character has no Windows-1251 code or the UTF-8 is
// malformed.
std::optional<std::string> TryToCp1251(std::string_view utf8);
// The same, throwing a ConversionError that names the text.
std::string ToCp1251(std::string_view utf8);
// Windows-1251 to UTF-8; every byte has a character (0x98, unassigned, becomes U+FFFD).
std::string FromCp1251(std::string_view bytes);

}  // namespace platform
