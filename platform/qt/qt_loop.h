#pragma once
// The event loop of the programs: Qt's, with timers, deferred calls and descriptor watches.
#include <QElapsedTimer>
#include <QObject>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/event_loop.h"

class QSocketNotifier;

namespace platform {

class QtLoop : public EventLoop {
 public:
  QtLoop();
  ~QtLoop() override;

  std::int64_t monotonicMs() const override { return clock_.elapsed(); }
  double now() const override;
  TaskId schedule(std::int64_t delayMs, Handler h) override;
  void cancel(TaskId id) override;
  TaskId watchReadable(int fd, Handler onReadable) override;
  void quit(int exitCode) override;

 private:
  class Timers;
  struct Task {
    int timer;  // Qt's id of the timer
    Handler handler;
  };
  void fire(int timer);

  QElapsedTimer clock_;
  TaskId nextId_ = 1;
  std::unique_ptr<Timers> timers_;
  std::unordered_map<TaskId, Task> tasks_;
  std::unordered_map<int, TaskId> taskOfTimer_;
  std::map<TaskId, QSocketNotifier*> watches_;
  QObject owner_;
};

}  // namespace platform
