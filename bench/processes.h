#pragma once
// Child processes of the line benchmark: a program with its output on pipes and its wall and
// processor time, and the simulated meter on its pseudo-terminal.
#include <sys/types.h>

#include <string>
#include <vector>

namespace bench {

// Seconds on the monotonic clock.
double Now();

struct Exit {
  int status = -1;  // exit status; 128 + signal when killed
  double wall = 0;  // seconds from the start to the end
  double cpu = 0;   // user + system seconds of the child, from wait4
};

class Child {
 public:
  // Starts argv[0] with the rest as arguments; `env` entries ("NAME=value") are added to the
  // environment.
  explicit Child(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Reads output until a whole line of standard output (stream 0) or error (1) that holds
  // `text` has arrived, at most `timeout` seconds: the moment it arrived, or -1.
  double AwaitLine(int stream, const std::string& text, double timeout);
  // The first line of a stream that holds `text`, without its end; empty when none.
  std::string LineWith(int stream, const std::string& text) const;
  void Signal(int sig) const;
  // Reads the rest of the output and waits for the end; after `timeout` seconds the child is
  // killed.
  Exit Finish(double timeout);
  double started() const { return started_; }
  const std::string& output(int stream) const { return text_[stream]; }

 private:
  void Pump(double until);
  pid_t pid_ = -1;
  int fd_[2] = {-1, -1};
  std::string text_[2];
  double started_ = 0;
};

// tm517sim on a new pseudo-terminal.
class Simulator {
 public:
  Simulator(const std::string& program, const std::vector<std::string>& args);
  const std::string& path() const { return path_; }
  // Ends the simulator: the number of replies it sent, or -1 when it did not say.
  long Stop();

 private:
  Child child_;
  std::string path_;
};

}  // namespace bench
