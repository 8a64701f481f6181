#include "sim/pty_host.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
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

// Holds bytes back until the line would have carried them: each byte takes byteUs after the
// one before it, and after the moment it was handed over.
class PtyHost::Pacer {
 public:
  Pacer(platform::EventLoop& loop, std::function<void(const std::string&)> sink)
      : loop_(loop), sink_(std::move(sink)) {}
  ~Pacer() {
    if (timer_) loop_.cancel(timer_);
  }
  void setByteUs(std::int64_t us) { byteUs_ = us; }

  void push(const std::string& bytes) {
    if (byteUs_ <= 0 && queue_.empty()) {
      sink_(bytes);
      return;
    }
    const std::int64_t now = loop_.monotonicMs() * 1000;
    std::int64_t at = std::max(now, freeUs_);
    for (char c : bytes) {
      at += std::max<std::int64_t>(byteUs_, 0);
      queue_.emplace_back(at, c);
    }
    freeUs_ = at;
    arm();
  }

 private:
  void arm() {
    if (timer_ || queue_.empty()) return;
    const std::int64_t waitUs = queue_.front().first - loop_.monotonicMs() * 1000;
    const std::int64_t ms = waitUs <= 0 ? 0 : std::max<std::int64_t>(1, (waitUs + 999) / 1000);
    timer_ = loop_.schedule(ms, [this] {
      timer_ = 0;
      release();
    });
  }
  void release() {
    const std::int64_t now = loop_.monotonicMs() * 1000;
    std::string due;
    while (!queue_.empty() && queue_.front().first <= now) {
      due += queue_.front().second;
      queue_.pop_front();
    }
    if (!due.empty()) sink_(due);
    arm();
  }

  platform::EventLoop& loop_;
  std::function<void(const std::string&)> sink_;
  std::int64_t byteUs_ = 0, freeUs_ = 0;
  std::deque<std::pair<std::int64_t, char>> queue_;
  platform::TaskId timer_ = 0;
};

namespace {

constexpr std::size_t kMaxBacklog = 64 * 1024;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

PtyHost::PtyHost(platform::EventLoop& loop, const SimOptions& options)
    : loop_(loop), meter_(std::make_unique<Meter>(loop, options)) {
  if (!options.memoryFile.empty()) meter_->setMemory(LoadMemoryFile(options.memoryFile));

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
  const std::int64_t us = baud_ > 0 ? 10 * 1000000LL / baud_ : 0;
  in_->setByteUs(us);
  out_->setByteUs(us);
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
