#pragma once
// The event loop on virtual time, for tests: nothing waits for real; running the loop jumps
// the clock to the next due event, so a 30 s timer costs nothing.
#include <cstdint>
#include <functional>
#include <map>
#include <tuple>

#include "platform/clock.h"
#include "platform/event_loop.h"

namespace platform {

class VirtualLoop : public EventLoop {
 public:
  // The wall clock starts at `start` (a local date and time).
  explicit VirtualLoop(DateTime start = {2009, 8, 15, 14, 5, 0, 0});

  std::int64_t monotonicMs() const override { return nowUs_ / 1000; }
  double now() const override;
  TaskId schedule(std::int64_t delayMs, Handler h) override;
  void cancel(TaskId id) override;
  TaskId watchReadable(int fd, Handler onReadable) override;
  void quit(int exitCode) override;

  // Microsecond scheduling, for line timing.
  TaskId scheduleUs(std::int64_t delayUs, Handler h);
  std::int64_t nowUs() const { return nowUs_; }

  // Runs every event due within the next `ms` milliseconds, then sets the clock to that end.
  void runFor(std::int64_t ms);
  // Runs events until `done` holds or `limitMs` of virtual time have passed; true if done.
  bool runUntil(const std::function<bool()>& done, std::int64_t limitMs = 600000);
  // Runs whatever is due now, without moving the clock.
  void runDue();

  bool quitRequested() const { return quit_; }
  int exitCode() const { return exitCode_; }
  std::size_t pending() const { return tasks_.size(); }

 private:
  bool runNext(std::int64_t untilUs);
  double startDays_;
  std::int64_t nowUs_ = 0;
  TaskId nextId_ = 1;
  // Ordered by due time, then by scheduling order.
  std::map<std::tuple<std::int64_t, TaskId>, Handler> tasks_;
  std::map<TaskId, std::tuple<std::int64_t, TaskId>> index_;
  bool quit_ = false;
  int exitCode_ = 0;
};

}  // namespace platform
