#pragma once
// End-to-end helpers: the simulator program on its pseudo-terminal, and the programs run as
// an operator's script would run them.
#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

std::string BinPath(const std::string& program);

// tm517sim with the given options, ended by SIGTERM when the object goes.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // SIGTERM, then the exit status (-1 if it did not end within 5 s).
  int stop();
  // Processor time used so far, in clock ticks.
  long cpuTicks() const;
  const std::string& path() const { return path_; }  // the pseudo-terminal

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int status_ = -1;
  std::string path_;
};

struct Outcome {
  int exitCode = -1;  // 128 + signal when killed; -1 when it did not end in time
  std::string out, err;
};

// Runs a program of build/bin with the arguments and waits for it (at most timeoutMs).
Outcome Run(const std::string& program, const std::vector<std::string>& args,
            int timeoutMs = 60000);

// A fresh, empty folder under the temporary folder; ends in "/".
std::string TempDir(const std::string& name);

}  // namespace e2e
