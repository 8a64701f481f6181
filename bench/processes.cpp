#include "bench/processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

extern char** environ;

namespace bench {
namespace {

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; }

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> p;
  for (auto& t : texts) p.push_back(t.data());
  p.push_back(nullptr);
  return p;
}

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

}  // namespace

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  std::vector<std::string> args = argv, environment = Environment(env);
  auto a = Pointers(args), e = Pointers(environment);
  started_ = Now();
  const int failed = posix_spawn(&pid_, a[0], &actions, nullptr, a.data(), e.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  fd_[0] = out[0];
  fd_[1] = err[0];
  if (failed) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

Child::~Child() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : fd_)
    if (fd >= 0) close(fd);
}

void Child::Pump(double until) {
  pollfd p[2] = {{fd_[0], POLLIN, 0}, {fd_[1], POLLIN, 0}};
  const double left = until - Now();
  if (poll(p, 2, left > 0 ? static_cast<int>(left * 1000) + 1 : 0) <= 0) return;
  for (int i = 0; i < 2; ++i) {
    if (fd_[i] < 0 || !(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    char buf[8192];
    const ssize_t n = read(fd_[i], buf, sizeof buf);
    if (n > 0) {
      text_[i].append(buf, static_cast<std::size_t>(n));
    } else {
      close(fd_[i]);
      fd_[i] = -1;
    }
  }
}

std::string Child::LineWith(int stream, const std::string& text) const {
  const std::string& s = text_[stream];
  const std::size_t at = s.find(text);
  if (at == std::string::npos) return {};
  const std::size_t end = s.find('\n', at);
  if (end == std::string::npos) return {};
  const std::size_t begin = s.rfind('\n', at);
  const std::size_t from = begin == std::string::npos ? 0 : begin + 1;
  return s.substr(from, end - from);
}

double Child::AwaitLine(int stream, const std::string& text, double timeout) {
  const double until = Now() + timeout;
  while (LineWith(stream, text).empty()) {
    if (Now() >= until || (fd_[0] < 0 && fd_[1] < 0)) return -1;
    Pump(until);
  }
  return Now();
}

void Child::Signal(int sig) const {
  if (pid_ > 0) kill(pid_, sig);
}

Exit Child::Finish(double timeout) {
  const double until = Now() + timeout;
  while ((fd_[0] >= 0 || fd_[1] >= 0) && Now() < until) Pump(until);
  if (fd_[0] >= 0 || fd_[1] >= 0) kill(pid_, SIGKILL);
  int st = 0;
  rusage ru{};
  Exit e;
  if (wait4(pid_, &st, 0, &ru) != pid_) return e;
  e.wall = Now() - started_;
  pid_ = -1;
  e.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  e.cpu = Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
  return e;
}

Simulator::Simulator(const std::string& program, const std::vector<std::string>& args)
    : child_([&] {
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
      }()) {
  if (child_.AwaitLine(0, "/dev/", 10) < 0)
    throw std::runtime_error("tm517sim did not start: " + child_.output(1));
  path_ = child_.LineWith(0, "/dev/");
}

long Simulator::Stop() {
  child_.Signal(SIGTERM);
  child_.Finish(10);
  // "tm517sim: A ASCII and B binary requests, R replies (...)"
  long ascii = 0, binary = 0, replies = -1;
  const std::string line = child_.LineWith(1, " replies (");
  std::sscanf(line.c_str(), "tm517sim: %ld ASCII and %ld binary requests, %ld replies", &ascii,
              &binary, &replies);
  return replies;
}

}  // namespace bench
