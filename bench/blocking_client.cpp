#include "bench/blocking_client.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "bench/processes.h"
#include "link/frames.h"

namespace bench {
namespace {

constexpr std::uint8_t kReadArchive = 6;
constexpr std::uint32_t kRequestData = 0x449A4333;
constexpr long kRecordsPerAlarm = 64;  // the silence alarm is set again after this many

void OnAlarm(int) {}  // only interrupts the read that waits

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error("blocking client: " + what + ": " + std::strerror(errno));
}

double CpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

// The terminal, open for the read; the silence alarm ends with it.
struct Terminal {
  explicit Terminal(const std::string& path)
      : fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd < 0) Fail("open " + path);
  }
  ~Terminal() {
    alarm(0);
    close(fd);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  const int fd;
};

// Raw bytes; read() returns once `minimum` bytes are there.
void SetRaw(int fd, int minimum) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) Fail("tcgetattr");
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = static_cast<cc_t>(minimum);
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) Fail("tcsetattr");
}

void WriteAll(int fd, const std::string& bytes) {
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) Fail("write");
}

std::string ReadAtLeast(int fd, std::size_t n) {
  std::string got;
  char buf[64];
  while (got.size() < n) {
    const ssize_t r = read(fd, buf, sizeof buf);
    if (r <= 0) Fail("read");
    got.append(buf, static_cast<std::size_t>(r));
  }
  return got;
}

void Dial(int fd, const std::string& phone) {
  SetRaw(fd, 1);
  WriteAll(fd, "ATD" + phone + "\r");
  std::string answer;
  while (answer.find("CONNECT") == std::string::npos ||
         answer.find('\n', answer.find("CONNECT")) == std::string::npos)
    answer += ReadAtLeast(fd, 1);
}

// One record: the request out, the whole reply in. False when its checksum does not hold.
bool ReadRecord(int fd, std::uint16_t position) {
  const auto request = devlink::BinaryRequest(0, kReadArchive, position, kRequestData);
  WriteAll(fd, devlink::FrameBytes(request));
  return devlink::ReplyChecksumOk(devlink::FrameFromBytes(ReadAtLeast(fd, devlink::kFrameSize)));
}

}  // namespace

ClientRead BlockingRead(const std::string& path, const std::string& phone, long count,
                        unsigned silenceSeconds) {
  struct sigaction sa {};
  sa.sa_handler = OnAlarm;  // no SA_RESTART: a silent line ends the read with EINTR
  sigaction(SIGALRM, &sa, nullptr);
  const Terminal line(path);
  alarm(silenceSeconds);
  if (!phone.empty()) Dial(line.fd, phone);
  SetRaw(line.fd, static_cast<int>(devlink::kFrameSize));
  WriteAll(line.fd, devlink::AsciiRequest(0, 'F'));
  ClientRead r;
  const double cpu0 = CpuSeconds(), t0 = Now();
  for (; r.records < count; ++r.records) {
    if (r.records % kRecordsPerAlarm == 0) alarm(silenceSeconds);
    if (!ReadRecord(line.fd, static_cast<std::uint16_t>(r.records))) ++r.bad;
  }
  r.seconds = Now() - t0;
  r.cpu = CpuSeconds() - cpu0;
  return r;
}

}  // namespace bench
