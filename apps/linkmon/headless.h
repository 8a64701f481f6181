#pragma once
// linkmon without a window: the fields are set from the command line, Start is pressed, each
// display refresh is printed as one line, and Stop is pressed after the last one.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "apps/linkmon/linkmon_form.h"

namespace linkmon {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;    // a bad option, or a port that cannot be opened
constexpr int kExitNoReply = 3;  // the meter stopped answering

// Fields left empty keep the window's own initial values.
struct Options {
  std::optional<std::string> port, speed, address, period;
  int cycles = 1;  // display refreshes to wait for
  std::string trace;  // a file for the traffic on the line; also in window mode
};

struct CommandLine {
  enum class Mode { Window, Headless, Help, UsageError };
  Mode mode = Mode::Window;
  Options options;
  std::string error;  // the usage error's message
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);
extern const char* const kUsage;

// Runs one headless session on `form`; the loop is told to quit with the exit status. While it
// runs, failed handlers are reported on `err` and end the session.
class HeadlessRun {
 public:
  HeadlessRun(TForm1& form, EventLoop& loop, Options options, std::ostream& out,
              std::ostream& err);

  // Sets the fields and presses Start; run it from the loop.
  void Begin();

 private:
  bool ChoosePeriod(const std::string& period);
  void ShowStatus();
  void ShowDisplay();
  void CountTick(bool replyMissed);
  void Finish(int status);

  TForm1& form_;
  EventLoop& loop_;
  const Options options_;
  std::ostream& out_;
  std::ostream& err_;
  std::string shownStatus_[2];
  int refreshes_ = 0;
  int missedInRow_ = 0;
  bool finishing_ = false;
};

}  // namespace linkmon
