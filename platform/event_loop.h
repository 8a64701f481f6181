#pragma once
// The single-threaded event loop that drives every program: timers, deferred calls and
// descriptor wake-ups. Two backends implement it: Qt's event loop for the programs and a
// virtual-time loop for tests, where the clock jumps to the next due event.
#include <cstdint>
#include <functional>

namespace platform {

using Handler = std::function<void()>;
using TaskId = std::uint64_t;

class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Milliseconds on a monotonic clock; only differences mean anything.
  virtual std::int64_t monotonicMs() const = 0;
  // Local wall-clock time as a day count with fraction since 30 December 1899.
  virtual double now() const = 0;

  // Runs `h` once, `delayMs` from now (0: after the running handler returns).
  virtual TaskId schedule(std::int64_t delayMs, Handler h) = 0;
  // Forgets a scheduled call; unknown or already run ids are ignored.
  virtual void cancel(TaskId id) = 0;

  // Calls `onReadable` whenever descriptor `fd` has data (or hang-up) to read.
  virtual TaskId watchReadable(int fd, Handler onReadable) = 0;

  // Asks the loop to end its run (program exit in the Qt backend).
  virtual void quit(int exitCode) = 0;
};

}  // namespace platform
