#include "gsm/gsm_settings.h"

#include "platform/text.h"

namespace gsm {
namespace {

constexpr const char* kPlaceholderNumber = "79001234567";

}  // namespace

std::string DefaultSettingsText() {
  std::string text = "1";
  for (int i = 0; i < 3; ++i) text += std::string("+") + kPlaceholderNumber;
  text.resize(54, ' ');
  return text;
}

std::string DefaultSettingsField() {
  std::string field = DefaultSettingsText();
  field.resize(71, ' ');
  return field;
}

std::string SettingsAfterRead(std::string text, const std::vector<std::uint32_t>& wordValues) {
  if (text.size() < kSettingsShown) text.resize(kSettingsShown, ' ');
  for (std::size_t n = 0; n < kSettingsShown; ++n)
    text[n] = static_cast<char>(wordValues[kSettingsFirst + n] & 0xFF);
  return text;
}

std::string SettingsLogLine(const std::string& text) {
  return "Параметры GSM =" + platform::FromCp1251(text);
}

}  // namespace gsm
