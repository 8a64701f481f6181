#include "platform/qt/qt_loop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/clock.h"

namespace platform {

QtLoop::QtLoop() { clock_.start(); }

QtLoop::~QtLoop() {
  for (auto& [id, t] : timers_) delete t;
  for (auto& [id, n] : watches_) delete n;
}

double QtLoop::now() const { return SystemNow(); }

TaskId QtLoop::schedule(std::int64_t delayMs, Handler h) {
  const TaskId id = nextId_++;
  auto* timer = new QTimer(&owner_);
  timer->setSingleShot(true);
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer, &QTimer::timeout, &owner_, [this, id, h = std::move(h)] {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->deleteLater();
    timers_.erase(it);
    h();
  });
  timers_.emplace(id, timer);
  timer->start(static_cast<int>(delayMs > 0 ? delayMs : 0));
  return id;
}

void QtLoop::cancel(TaskId id) {
  if (auto it = timers_.find(id); it != timers_.end()) {
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
  }
  if (auto it = watches_.find(id); it != watches_.end()) {
    it->second->setEnabled(false);
    it->second->deleteLater();
    watches_.erase(it);
  }
}

TaskId QtLoop::watchReadable(int fd, Handler onReadable) {
  const TaskId id = nextId_++;
  auto* n = new QSocketNotifier(fd, QSocketNotifier::Read, &owner_);
  QObject::connect(n, &QSocketNotifier::activated, &owner_,
                   [h = std::move(onReadable)] { h(); });
  watches_.emplace(id, n);
  return id;
}

void QtLoop::quit(int exitCode) { QCoreApplication::exit(exitCode); }

}  // namespace platform
