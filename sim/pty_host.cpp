#include "sim/pty_host.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>

#include "platform/errors.h"
#include "sim/memory_file.h"

namespace sim {
namespace {

constexpr std::size_t kMaxBacklog = 64 * 1024;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

// Holds bytes back until the line would have carried them: each byte takes byteNs after the
// one before it, and after the moment it was handed over. What is handed over at once (a
// request, a reply) goes on whole when its last byte would have arrived, as a receiver's
// buffer passes on a frame: no byte early, the last one on time. Times are the kernel's
// monotonic clock in nanoseconds and the wake-up is a timer descriptor, so that nothing waits
// for the next whole millisecond.
class PtyHost::Pacer {
 public:
  Pacer(platform::EventLoop& loop, std::function<void(const std::string&)> sink)
      : loop_(loop), sink_(std::move(sink)),
        timer_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
    if (timer_ < 0) throw platform::PortError(Errno("timerfd_create"));
    watch_ = loop_.watchReadable(timer_, [this] { release(); });
  }
  ~Pacer() {
    loop_.cancel(watch_);
    ::close(timer_);
  }
  void setByteNs(std::int64_t ns) { byteNs_ = ns; }

  void push(const std::string& bytes) {
    if (byteNs_ <= 0 && held_.empty()) {
      sink_(bytes);
      return;
    }
    freeNs_ = std::max(NowNs(), freeNs_) + byteNs_ * static_cast<std::int64_t>(bytes.size());
    held_.push_back({freeNs_, bytes});
    if (held_.size() == 1) arm();
  }

 private:
  struct Block {
    std::int64_t dueNs;  // when its last byte has crossed the line
    std::string bytes;
  };

  static std::int64_t NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
  }
  // The timer set to the first held block's due time; disarmed when nothing is held.
  void arm() {
    itimerspec due{};
    if (!held_.empty()) {
      const std::int64_t ns = held_.front().dueNs;
      due.it_value = {static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
    }
    timerfd_settime(timer_, TFD_TIMER_ABSTIME, &due, nullptr);
  }
  void release() {
    std::uint64_t expirations;
    [[maybe_unused]] const ssize_t n = ::read(timer_, &expirations, sizeof expirations);
    const std::int64_t now = NowNs();
    std::string due;
    while (!held_.empty() && held_.front().dueNs <= now) {
      due += held_.front().bytes;
      held_.pop_front();
    }
    if (!due.empty()) sink_(due);
    arm();
  }

  platform::EventLoop& loop_;
  std::function<void(const std::string&)> sink_;
  const int timer_;
  platform::TaskId watch_ = 0;
  std::int64_t byteNs_ = 0, freeNs_ = 0;
  std::deque<Block> held_;
};

PtyHost::PtyHost(platform::EventLoop& loop, const SimOptions& options)
    : loop_(loop), meter_(std::make_unique<Meter>(loop, options)) {
  if (!options.memoryFile.empty()) meter_->setMemory(LoadMemoryFile(options.memoryFile));

  // Wired before the terminal is made, so that a pacer that cannot be made leaves nothing
  // open. The pacers' timers are due to the nanosecond; the kernel's default slack for this
  // thread (50 us) would hold every request and every reply that much longer than the line.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  out_ = std::make_unique<Pacer>(loop, [this](const std::string& b) { writeMaster(b); });
  if (options.modem) {
    modem_ = std::make_unique<Modem>(loop, options.modemOptions);
    in_ = std::make_unique<Pacer>(loop, [this](const std::string& b) { modem_->receive(b); });
    modem_->send = [this](const std::string& b) { out_->push(b); };
    modem_->toMeter = [this](const std::string& b) { meter_->receive(b); };
    meter_->send = [this](const std::string& b) { modem_->fromMeter(b); };
  } else {
    in_ = std::make_unique<Pacer>(loop, [this](const std::string& b) { meter_->receive(b); });
    meter_->send = [this](const std::string& b) { out_->push(b); };
  }
  setBaud(options.baud);

  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) throw platform::PortError(Errno("posix_openpt"));
  const auto fail = [this](const char* what) {
    const std::string message = Errno(what);
    if (slave_ >= 0) ::close(slave_);
    ::close(master_);
    throw platform::PortError("Не удалось создать псевдотерминал: " + message);
  };
  if (grantpt(master_) != 0) fail("grantpt");
  if (unlockpt(master_) != 0) fail("unlockpt");
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) fail("ptsname");
  path_ = name;
  // Our own slave descriptor keeps the master readable (no EIO) while no program has the
  // slave open; it is never read. Raw mode: bytes pass as they are.
  slave_ = ::open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) fail("open slave");
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) fail("tcgetattr");
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  if (tcsetattr(slave_, TCSANOW, &tio) != 0) fail("tcsetattr");
  const int flags = fcntl(master_, F_GETFL);
  if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) fail("fcntl");

  watch_ = loop_.watchReadable(master_, [this] { onReadable(); });

  // Opens and closes of the slave by programs (ours is done by now): replies go out only
  // while a program has the line open. Without this watch every reply goes out, and stale
  // bytes may greet a program that opens the terminal again.
  notify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (notify_ >= 0 &&
      inotify_add_watch(notify_, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0) {
    notifyWatch_ = loop_.watchReadable(notify_, [this] { onSlaveEvent(); });
  } else if (notify_ >= 0) {
    ::close(notify_);
    notify_ = -1;
  }
}

void PtyHost::onSlaveEvent() {
  alignas(inotify_event) char buf[4096];
  bool closed = false;
  for (;;) {
    const ssize_t n = ::read(notify_, buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buf + i);
      if (e->mask & IN_OPEN) ++programOpens_;
      if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
        programOpens_ = std::max(programOpens_ - 1, 0);
        closed = true;
      }
      i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  if (closed && programOpens_ == 0) {
    // Nobody has the line open: what waits for a reader is lost, as on a real port, and a
    // program that ended without releasing the terminal leaves it exclusive no more.
    outBuf_.clear();
    tcflush(slave_, TCIFLUSH);
    ioctl(slave_, TIOCNXCL);
  }
}

PtyHost::~PtyHost() {
  if (watch_) loop_.cancel(watch_);
  if (notifyWatch_) loop_.cancel(notifyWatch_);
  if (retry_) loop_.cancel(retry_);
  in_.reset();
  out_.reset();
  modem_.reset();
  meter_.reset();
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  if (notify_ >= 0) ::close(notify_);
}

void PtyHost::setBaud(int baud) {
  baud_ = baud > 0 ? baud : 0;
  // 10 bits a byte, rounded up to the nanosecond: never a byte early.
  const std::int64_t ns = baud_ > 0 ? (10 * 1000000000LL + baud_ - 1) / baud_ : 0;
  in_->setByteNs(ns);
  out_->setByteNs(ns);
}

void PtyHost::onReadable() {
  if (notify_ >= 0) onSlaveEvent();  // whoever wrote this has the terminal open
  std::string got;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
      got.append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
      // The line is gone for good (it cannot be while our slave is open): stop watching
      // rather than wake up for ever.
      loop_.cancel(watch_);
      watch_ = 0;
    }
    break;
  }
  if (!got.empty()) in_->push(got);
}

void PtyHost::writeMaster(const std::string& bytes) {
  if (notify_ >= 0) {
    onSlaveEvent();  // opens and closes so far
    if (programOpens_ == 0) return;  // no program on the line: the bytes are lost
  }
  outBuf_ += bytes;
  flushOut();
}

void PtyHost::flushOut() {
  while (!outBuf_.empty()) {
    const ssize_t n = ::write(master_, outBuf_.data(), outBuf_.size());
    if (n > 0) {
      outBuf_.erase(0, static_cast<std::size_t>(n));
      retryMs_ = 0;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The terminal's buffer is full (nobody reads): keep a bounded backlog and try again
      // later, less often the longer it lasts.
      if (outBuf_.size() > kMaxBacklog) outBuf_.erase(0, outBuf_.size() - kMaxBacklog);
      if (!retry_) {
        retryMs_ = std::clamp(retryMs_ * 2, 10, 1000);
        retry_ = loop_.schedule(retryMs_, [this] {
          retry_ = 0;
          flushOut();
        });
      }
      return;
    }
    outBuf_.clear();  // a failed line loses what it carried
    return;
  }
}

}  // namespace sim
