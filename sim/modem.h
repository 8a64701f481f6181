#pragma once
// A GSM modem in front of the meter, as the far end of a data call looks to the programs.
// Command state: CR-terminated lines; "AT..." answers OK ("ATD<number>" and a bare number of
// dial characters dial and answer CONNECT 9600; "ATH" hangs up; "ATO" goes back on line);
// anything else answers ERROR. Data state: bytes pass to the meter and back; "+++" followed
// by a quiet guard time returns to command state with OK. Answers are framed by CR LF.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_loop.h"
#include "sim/options.h"

namespace sim {

class Modem {
 public:
  enum class State { Command, Data };

  explicit Modem(platform::EventLoop& loop, ModemOptions options = {});
  ~Modem();
  Modem(const Modem&) = delete;
  Modem& operator=(const Modem&) = delete;

  // The program's side: bytes from the line, and the modem's answers (and meter replies).
  void receive(std::string_view bytes);
  std::function<void(const std::string& bytes)> send;
  // The meter's side: what passes through in data state, and the meter's replies.
  std::function<void(const std::string& bytes)> toMeter;
  void fromMeter(const std::string& bytes);

  State state() const { return state_; }
  bool callUp() const { return callUp_; }
  const std::string& lastDialled() const { return dialled_; }
  // Every command line received, in order, without the CR.
  const std::vector<std::string>& commandLines() const { return lines_; }
  long escapes() const { return escapes_; }

 private:
  void onLine(const std::string& line);
  void answer(const std::string& text);
  void dial(const std::string& number);

  platform::EventLoop& loop_;
  ModemOptions options_;
  State state_ = State::Command;
  bool callUp_ = false;
  std::string line_;
  std::string dialled_;
  std::vector<std::string> lines_;
  int plusRun_ = 0;               // "+" bytes in a row in data state
  platform::TaskId escapeTask_ = 0, connectTask_ = 0;
  long escapes_ = 0;
};

}  // namespace sim
