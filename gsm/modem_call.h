#pragma once
// The texts of arcgsm's modem call: what goes to the modem, what the text log shows, and the
// pauses between the steps. The call is a fixed, timed script; the modem's answers are logged,
// never interpreted.
#include <string>
#include <string_view>
#include <vector>

namespace gsm {

constexpr int kAnswerWaitMs = 30000;  // from the dial text to the commands
constexpr int kEscapePauseMs = 3000;  // from the escape to the hang-up command
constexpr int kHangUpPauseMs = 3000;  // from the hang-up command to Stop

inline constexpr std::string_view kEscape = "+++";
inline constexpr std::string_view kHangUpCommand = "ATH\r";

// The dial: the number field's text (Windows-1251 bytes) as it is, and a carriage return.
std::string DialText(const std::string& number);

// Log lines of the call (UTF-8).
std::string DialLogLine(const std::string& number);
inline constexpr const char* kEscapeLogLine = "Разрыв  ~5c ";
inline constexpr const char* kHangUpLogLine = "ОК ";

// What the modem sent, as the log shows it: Windows-1251 decoded, one trailing CR LF dropped,
// a line for each line of the text (an empty text is one empty line).
std::vector<std::string> AnswerLines(std::string_view received);

}  // namespace gsm
