#include "platform/qt/qt_loop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimerEvent>

#include "platform/clock.h"

namespace platform {

// A scheduled call is a timer of this one object: starting and killing a timer allocates no
// object and posts no event, which matters when a call is scheduled and cancelled per record.
class QtLoop::Timers : public QObject {
 public:
  explicit Timers(QtLoop& loop) : loop_(loop) {}

 protected:
  void timerEvent(QTimerEvent* e) override { loop_.fire(e->timerId()); }

 private:
  QtLoop& loop_;
};

QtLoop::QtLoop() : timers_(std::make_unique<Timers>(*this)) { clock_.start(); }

QtLoop::~QtLoop() {
  for (auto& [id, n] : watches_) delete n;
}

double QtLoop::now() const { return SystemNow(); }

TaskId QtLoop::schedule(std::int64_t delayMs, Handler h) {
  const TaskId id = nextId_++;
  const int timer = timers_->startTimer(static_cast<int>(delayMs > 0 ? delayMs : 0),
                                        Qt::PreciseTimer);
  tasks_.emplace(id, Task{timer, std::move(h)});
  taskOfTimer_.emplace(timer, id);
  return id;
}

void QtLoop::fire(int timer) {
  const auto byTimer = taskOfTimer_.find(timer);
  if (byTimer == taskOfTimer_.end()) return;
  const auto task = tasks_.find(byTimer->second);
  const Handler h = std::move(task->second.handler);
  timers_->killTimer(timer);
  taskOfTimer_.erase(byTimer);
  tasks_.erase(task);
  h();
}

void QtLoop::cancel(TaskId id) {
  if (auto it = tasks_.find(id); it != tasks_.end()) {
    timers_->killTimer(it->second.timer);
    taskOfTimer_.erase(it->second.timer);
    tasks_.erase(it);
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
