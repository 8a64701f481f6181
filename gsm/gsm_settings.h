#pragma once
// The meter's GSM reporting settings: a cycle digit and three telephone numbers, one character
// per record at positions 3900 to 3939.
#include <cstdint>
#include <string>
#include <vector>

namespace gsm {

constexpr std::uint16_t kSettingsFirst = 3900;
constexpr std::int32_t kSettingsEnd = 3940;     // one past the last record written or read
constexpr std::size_t kSettingsShown = 37;      // characters a read brings back into the text

// The default settings text: the cycle digit "1" and three times "+" and a placeholder
// number, padded with blanks to 54 characters.
std::string DefaultSettingsText();
// The settings field's default: the same padded to 71 characters.
std::string DefaultSettingsField();

// The settings text after a read: its first 37 characters replaced by the low bytes of the
// records 3900 to 3936 (Windows-1251 bytes in, bytes out).
std::string SettingsAfterRead(std::string text, const std::vector<std::uint32_t>& wordValues);

// The log line of a read: "Параметры GSM =" and the whole settings text, in UTF-8.
std::string SettingsLogLine(const std::string& text);

}  // namespace gsm
