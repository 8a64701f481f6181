#include "sim/modem.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace sim {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool DialCharsOnly(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#' || c == ',' ||
           c == 'p' || c == 'P' || c == 't' || c == 'T' || c == 'w' || c == 'W';
  });
}

}  // namespace

Modem::Modem(platform::EventLoop& loop, ModemOptions options)
    : loop_(loop), options_(std::move(options)) {}

Modem::~Modem() {
  if (escapeTask_) loop_.cancel(escapeTask_);
  if (connectTask_) loop_.cancel(connectTask_);
}

void Modem::answer(const std::string& text) {
  if (send) send("\r\n" + text + "\r\n");
}

void Modem::receive(std::string_view bytes) {
  for (char c : bytes) {
    if (state_ == State::Data) {
      // Any byte after "+++" within the guard time makes it data after all.
      if (escapeTask_) {
        loop_.cancel(escapeTask_);
        escapeTask_ = 0;
      }
      plusRun_ = c == '+' ? plusRun_ + 1 : 0;
      if (toMeter) toMeter(std::string(1, c));
      if (plusRun_ == 3) {
        plusRun_ = 0;
        escapeTask_ = loop_.schedule(options_.escapeGuardMs, [this] {
          escapeTask_ = 0;
          state_ = State::Command;
          ++escapes_;
          answer("OK");
        });
      }
      continue;
    }
    if (c == '\r') {
      onLine(std::exchange(line_, {}));
    } else if (c != '\n' && line_.size() < 256) {
      line_ += c;
    }
  }
}

void Modem::fromMeter(const std::string& bytes) {
  // In command state the call may still be up, but its data is not passed on.
  if (state_ == State::Data && send) send(bytes);
}

void Modem::onLine(const std::string& raw) {
  lines_.push_back(raw);
  const std::string line = Trim(raw);
  if (line.empty()) return;
  if (connectTask_) return;  // a dial in progress takes no commands
  const std::string up = Upper(line);
  if (up.rfind("AT", 0) == 0) {
    const std::string rest = up.substr(2);
    if (rest.rfind('D', 0) == 0) {
      std::string number = Trim(line.substr(3));
      if (!number.empty() && (number[0] == 'T' || number[0] == 't' || number[0] == 'P' ||
                              number[0] == 'p'))
        number.erase(0, 1);  // ATDT, ATDP: tone or pulse
      if (!number.empty() && number.back() == ';') number.pop_back();
      dial(number);
    } else if (rest.rfind('H', 0) == 0) {
      callUp_ = false;
      answer("OK");
    } else if (rest.rfind('O', 0) == 0 && callUp_) {
      state_ = State::Data;
      answer(options_.dialReply);
    } else {
      answer("OK");
    }
    return;
  }
  if (DialCharsOnly(line)) {
    dial(line);
    return;
  }
  answer("ERROR");
}

void Modem::dial(const std::string& number) {
  dialled_ = number;
  connectTask_ = loop_.schedule(options_.connectDelayMs, [this] {
    connectTask_ = 0;
    answer(options_.dialReply);
    if (options_.dialReply.rfind("CONNECT", 0) == 0) {
      callUp_ = true;
      state_ = State::Data;
      plusRun_ = 0;
    }
  });
}

}  // namespace sim
