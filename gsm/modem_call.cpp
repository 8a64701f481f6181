#include "gsm/modem_call.h"

#include "platform/text.h"

namespace gsm {

std::string DialText(const std::string& number) { return number + "\r"; }

std::string DialLogLine(const std::string& number) { return "Соединение с " + number + " ~30c "; }

std::vector<std::string> AnswerLines(std::string_view received) {
  if (received.ends_with("\r\n")) received.remove_suffix(2);
  const std::string text = platform::FromCp1251(received);
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

}  // namespace gsm
