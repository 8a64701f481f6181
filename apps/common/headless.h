#pragma once
// Headless runs of the archive programs: the window's fields set from the command line, the
// operator's steps pressed one after another between Start and Stop, what the window would
// show printed, and an exit status.
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_window.h"
#include "platform/event_loop.h"

namespace app {

// Exit statuses of a headless run.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;    // usage error, port or file failure
constexpr int kExitNoLink = 3;   // the meter stopped answering

// One operator step: the button to press, and when its work has finished.
struct Step {
  enum class Until {
    ExchangeEnds,  // the operation it started completed, follow-up included
    PortCloses,    // its work ends with Stop (an archive read, a hang-up)
    Condition,     // `condition` holds (checked after every change the window shows)
  };
  platform::Button* button;
  Until until = Until::ExchangeEnds;
  std::function<void()> before;      // fields set as the operator would just before pressing
  std::function<bool()> condition;
  std::function<void()> afterwards;  // what to print once it finished
};

class HeadlessRun {
 public:
  HeadlessRun(archive::ArchiveWindow& form, platform::EventLoop& loop);
  // Presses Start, then the steps, then Stop if the connection is still up; the loop is told
  // to quit with the exit status at the end.
  void Begin(std::vector<Step> steps);

 private:
  void Watch();
  void Next();
  void Check();
  void Finish(int status);
  void QuitOnceClosed();
  bool Finished(const Step& step) const;
  void PrintStatus();
  void ShowProgress();

  archive::ArchiveWindow& form_;
  platform::EventLoop& loop_;
  std::vector<Step> steps_;
  std::size_t current_ = 0;
  bool waiting_ = false;
  bool exchangeEnded_ = false;
  int shownPercent_ = -1;
  bool finishing_ = false;
  bool quitting_ = false;
  int status_ = kExitOk;
  std::string shownStatus_[2];
  bool terminal_;
};

// Command-line reading shared by the programs.
class Args {
 public:
  Args(int argc, char** argv);
  bool empty() const { return args_.empty(); }
  bool done() const { return i_ >= args_.size(); }
  const std::string& peek() const { return args_[i_]; }
  bool has(const std::string& option) const;
  std::string next() { return args_[i_++]; }
  // The value of an option that takes one; a missing value is a usage error.
  std::string value(const std::string& option);

 private:
  std::vector<std::string> args_;
  std::size_t i_ = 0;
};

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Prints the message and the hint to the usage, returns kExitUsage.
int ReportUsage(const std::string& program, const std::string& message);

}  // namespace app

namespace app {

// The fields every archive program takes from the command line.
struct CommonOptions {
  std::string port = "1";
  std::string speed = "115200,N,8,1";
  std::string address = "0";
  std::string dataDir;  // empty: $TM517_HOME, else ~/tm517
  std::string stamp;    // empty: built from the PC clock
  bool csv = false;     // CSV files beside the reports
  bool charts = false;  // PNG charts of the increments
  std::string trace;    // a file for the traffic on the line
  // A field of the window was given: the program runs headless even without actions.
  bool fieldGiven = false;
};

// Takes `option` (already read from `args`) if it is a common one; false if it is not.
bool TakeCommonOption(Args& args, const std::string& option, CommonOptions& common);

// Sets the window's fields from the options and asks for the further forms of the export.
void ApplyCommonOptions(const CommonOptions& common, archive::ArchiveWindow& form);

// The help lines of the common options.
extern const char* const kCommonOptionsHelp;

}  // namespace app
