// tm517sim: the simulated meter on a pseudo-terminal. Prints the terminal's path on the first
// line of standard output and answers there until SIGTERM or SIGINT.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/errors.h"
#include "platform/qt/qt_loop.h"
#include "sim/memory_file.h"
#include "sim/pty_host.h"

namespace {

constexpr const char* kUsage = R"(Usage: tm517sim [options]
Plays a two-channel TM517 meter on a new pseudo-terminal. The first line of standard output
is the terminal's path (open it as a serial port); SIGTERM or SIGINT end the simulator,
SIGUSR1 switches channel 2 between fault and normal.

  --modem              put a GSM modem front before the meter (dial, +++, ATH)
  --baud N             line timing: 10 bits per byte at N baud (default: none)
  --latency MS         reply latency in milliseconds (default 0)
  --address N          answer only address N, 0..255 (default: every address)
  --seed N             seed of the memory, the live values and the faults (default 1)
  --memory-now T       the archive ends at T, "YYYY-MM-DD" or "YYYY-MM-DDThh:mm"
                       (default: now)
  --ch2-fault          channel 2 reports the fault state
  --memory FILE        load the meter's memory from FILE
  --save-memory FILE   save the meter's memory to FILE when ending
Faults (P is a probability 0..1):
  --drop P             drop a reply
  --corrupt P          spoil a reply's checksum
  --partial P          send only the first 6 bytes of a reply
  --surplus P          send 2 bytes more after a reply
  --late P --late-ms N delay a reply by N ms more
  --silent-after N     answer nothing after N replies
Modem front:
  --connect-delay MS   from dialling to the answer (default 0)
  --dial-reply TEXT    the answer to a dial (default "CONNECT 9600")
  --help               this text
)";

int signalPipe[2] = {-1, -1};

void OnSignal(int sig) {
  const int saved = errno;
  const char c = static_cast<char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
  errno = saved;
}

[[noreturn]] void Usage(const std::string& message) {
  std::cerr << "tm517sim: " << message << "\n(tm517sim --help lists the options)\n";
  std::exit(2);
}

long long Integer(const std::string& option, const std::string& text, long long lo, long long hi) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || v < lo || v > hi)
    Usage(option + " takes a whole number from " + std::to_string(lo) + " to " +
          std::to_string(hi) + ", not \"" + text + "\"");
  return v;
}

double Probability(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= 0 && v <= 1))
    Usage(option + " takes a probability from 0 to 1, not \"" + text + "\"");
  return v;
}

platform::DateTime Moment(const std::string& text) {
  platform::DateTime t;
  int n = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d%n", &t.year, &t.month, &t.day, &t.hour,
                  &t.minute, &n) == 5 && n == static_cast<int>(text.size()))
    ;
  else if (t = {}, n = 0;
           std::sscanf(text.c_str(), "%d-%d-%d%n", &t.year, &t.month, &t.day, &n) == 3 &&
           n == static_cast<int>(text.size()))
    t.hour = t.minute = 0;
  else
    Usage("--memory-now takes YYYY-MM-DD or YYYY-MM-DDThh:mm, not \"" + text + "\"");
  if (t.year < 2001 || t.year > 2042 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > 31 || t.hour > 23 || t.minute > 59)
    Usage("--memory-now out of range: \"" + text + "\"");
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  sim::SimOptions options;
  std::string saveFile;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(a + " needs a value");
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--modem") {
      options.modem = true;
    } else if (a == "--baud") {
      options.baud = static_cast<int>(Integer(a, value(), 1, 10000000));
    } else if (a == "--latency") {
      options.latencyMs = static_cast<int>(Integer(a, value(), 0, 600000));
    } else if (a == "--address") {
      options.address = static_cast<int>(Integer(a, value(), 0, 255));
    } else if (a == "--seed") {
      options.seed = static_cast<std::uint64_t>(Integer(a, value(), 0, INT64_MAX));
    } else if (a == "--memory-now") {
      options.memoryNow = Moment(value());
    } else if (a == "--ch2-fault") {
      options.channel2Fault = true;
    } else if (a == "--memory") {
      options.memoryFile = value();
    } else if (a == "--save-memory") {
      saveFile = value();
    } else if (a == "--drop") {
      options.faults.dropProbability = Probability(a, value());
    } else if (a == "--corrupt") {
      options.faults.corruptProbability = Probability(a, value());
    } else if (a == "--partial") {
      options.faults.partialProbability = Probability(a, value());
    } else if (a == "--surplus") {
      options.faults.surplusProbability = Probability(a, value());
    } else if (a == "--late") {
      options.faults.lateProbability = Probability(a, value());
    } else if (a == "--late-ms") {
      options.faults.lateMs = static_cast<int>(Integer(a, value(), 0, 600000));
    } else if (a == "--silent-after") {
      options.faults.silentAfter = static_cast<long>(Integer(a, value(), 0, 1L << 40));
    } else if (a == "--connect-delay") {
      options.modemOptions.connectDelayMs = static_cast<int>(Integer(a, value(), 0, 600000));
    } else if (a == "--dial-reply") {
      options.modemOptions.dialReply = value();
    } else {
      Usage("unknown option " + a);
    }
  }

  QCoreApplication app(argc, argv);
  platform::QtLoop loop;

  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("tm517sim: pipe");
    return 1;
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGUSR1}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<sim::PtyHost> host;
  try {
    host = std::make_unique<sim::PtyHost>(loop, options);
  } catch (const std::exception& e) {
    std::cerr << "tm517sim: " << e.what() << '\n';
    return 2;
  }

  loop.watchReadable(signalPipe[0], [&] {
    char c;
    while (::read(signalPipe[0], &c, 1) == 1) {
      if (c == SIGUSR1) {
        host->meter().setChannel2Fault(!host->meter().channel2Fault());
        std::cerr << "tm517sim: channel 2 " << (host->meter().channel2Fault() ? "fault" : "normal")
                  << '\n';
      } else {
        loop.quit(0);
      }
    }
  });

  std::cout << host->path() << std::endl;  // the first line, flushed: callers wait for it
  std::cerr << "tm517sim: meter on " << host->path() << (options.modem ? " behind a modem" : "")
            << '\n';
  const int status = app.exec();

  const sim::MeterCounters& c = host->meter().counters();
  std::cerr << "tm517sim: " << c.asciiRequests << " ASCII and " << c.binaryRequests
            << " binary requests, " << c.replies << " replies (dropped " << c.dropped
            << ", late " << c.late << ", corrupted " << c.corrupted << ", partial " << c.partial
            << ", surplus " << c.surplus << ", silenced " << c.silenced << ")\n";
  if (!saveFile.empty()) {
    try {
      sim::SaveMemoryFile(host->meter().memory(), saveFile);
    } catch (const std::exception& e) {
      std::cerr << "tm517sim: " << e.what() << '\n';
      return 2;
    }
  }
  return status;
}
