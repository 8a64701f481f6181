#include "e2e_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace e2e {
namespace {

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

long long NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

int Status(int st) { return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st); }

}  // namespace

std::string BinPath(const std::string& program) { return std::string(TM_BIN_DIR) + "/" + program; }

SimProcess::SimProcess(std::vector<std::string> args) {
  args.insert(args.begin(), BinPath("tm517sim"));
  auto argv = Argv(args);
  int out[2];
  if (pipe(out) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  out_ = out[0];
  // The first line is the pseudo-terminal's path.
  pollfd p{out_, POLLIN, 0};
  char c;
  while (pid_ > 0 && poll(&p, 1, 5000) == 1 && read(out_, &c, 1) == 1 && c != '\n') path_ += c;
}

SimProcess::~SimProcess() {
  stop();
  if (out_ >= 0) close(out_);
}

int SimProcess::stop() {
  if (pid_ <= 0) return status_;
  kill(pid_, SIGTERM);
  for (int i = 0; i < 500; ++i) {
    int st = 0;
    if (waitpid(pid_, &st, WNOHANG) == pid_) {
      pid_ = 0;
      return status_ = Status(st);
    }
    usleep(10000);
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
  return status_ = -1;
}

long SimProcess::cpuTicks() const {
  std::ifstream f("/proc/" + std::to_string(pid_) + "/stat");
  std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::istringstream in(s.substr(s.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && in >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

Outcome Run(const std::string& program, const std::vector<std::string>& args, int timeoutMs) {
  std::vector<std::string> all = args;
  all.insert(all.begin(), BinPath(program));
  auto argv = Argv(all);
  int out[2], err[2];
  Outcome o;
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return o;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) {
    close(out[0]);
    close(err[0]);
    return o;
  }
  const long long deadline = NowMs() + timeoutMs;
  pollfd p[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&o.out, &o.err};
  int open = 2;
  while (open > 0 && NowMs() < deadline) {
    if (poll(p, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (p[i].fd < 0 || !(p[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      const ssize_t n = read(p[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(p[i].fd);
        p[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& x : p)
    if (x.fd >= 0) close(x.fd);
  int st = 0;
  if (open > 0 || waitpid(pid, &st, NowMs() < deadline ? 0 : WNOHANG) != pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return o;
  }
  o.exitCode = Status(st);
  return o;
}

std::string TempDir(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   (name + "_" + std::to_string(getpid()) + "_" + std::to_string(NowMs()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string() + "/";
}

}  // namespace e2e
