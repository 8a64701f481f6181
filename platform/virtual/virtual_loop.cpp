#include "platform/virtual/virtual_loop.h"

#include <stdexcept>

namespace platform {

VirtualLoop::VirtualLoop(DateTime start) : startDays_(EncodeDateTime(start)) {}

double VirtualLoop::now() const {
  return startDays_ + static_cast<double>(nowUs_) / 86400000000.0;
}

TaskId VirtualLoop::schedule(std::int64_t delayMs, Handler h) {
  return scheduleUs(delayMs * 1000, std::move(h));
}

TaskId VirtualLoop::scheduleUs(std::int64_t delayUs, Handler h) {
  const TaskId id = nextId_++;
  const auto key = std::make_tuple(nowUs_ + (delayUs > 0 ? delayUs : 0), id);
  tasks_.emplace(key, std::move(h));
  index_.emplace(id, key);
  return id;
}

void VirtualLoop::cancel(TaskId id) {
  auto it = index_.find(id);
  if (it == index_.end()) return;
  tasks_.erase(it->second);
  index_.erase(it);
}

TaskId VirtualLoop::watchReadable(int, Handler) {
  throw std::logic_error("the virtual-time loop watches no descriptors");
}

void VirtualLoop::quit(int exitCode) {
  quit_ = true;
  exitCode_ = exitCode;
}

bool VirtualLoop::runNext(std::int64_t untilUs) {
  if (tasks_.empty()) return false;
  auto it = tasks_.begin();
  const auto [due, id] = it->first;
  if (due > untilUs) return false;
  Handler h = std::move(it->second);
  tasks_.erase(it);
  index_.erase(id);
  if (due > nowUs_) nowUs_ = due;
  h();
  return true;
}

void VirtualLoop::runFor(std::int64_t ms) {
  const std::int64_t end = nowUs_ + ms * 1000;
  while (runNext(end)) {
  }
  if (nowUs_ < end) nowUs_ = end;
}

bool VirtualLoop::runUntil(const std::function<bool()>& done, std::int64_t limitMs) {
  const std::int64_t end = nowUs_ + limitMs * 1000;
  while (!done()) {
    if (!runNext(end)) {
      nowUs_ = end > nowUs_ ? end : nowUs_;
      return done();
    }
  }
  return true;
}

void VirtualLoop::runDue() {
  while (runNext(nowUs_)) {
  }
}

}  // namespace platform
