// End-to-end benchmark of the archive reads over a pseudo-terminal: each program against
// tm517sim with line timing (and without), beside the floor, a minimal blocking client through
// the same simulator and timing; then the export, the window's start and the idle cost of an
// open port. Prints one table of the reads and one of the checks.
//
// A program's read is timed as the difference of two whole runs against fresh simulators: the
// read itself, and the same call with a clock read instead (start-up, port, Start, the modem
// call and its answer wait, Stop). The records of the read are the replies the simulator sent
// in the first run less those of the second; the processor time is the children's (wait4),
// differenced the same way.
#include <signal.h>
#include <stdlib.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "bench/blocking_client.h"
#include "bench/processes.h"

namespace bench {
namespace {

struct Options {
  std::string bin;     // the programs
  std::string simBin;  // tm517sim
  int repeat = 3;      // runs of the reads at 115200 bit/s (medians are shown)
};

// One archive read: the program, the line, and the calls.
struct Scenario {
  std::string title;
  std::string program;
  int baud;  // 0: no line timing
  std::vector<std::string> simArgs;
  std::vector<std::string> readArgs;   // the archive read
  std::vector<std::string> clockArgs;  // the same call with a clock read instead
  std::string phone;                   // the floor dials first when not empty
  long records;                        // records the floor reads
  int runs;
  bool window = false;                 // arcread's window reads too (window_bench)
};

struct Figures {
  long records = 0;
  double seconds = 0, cpu = 0;
  double vsFloor = 1;  // time per record over the floor's in the same run
};

double PerRecord(const Figures& f) { return f.seconds / static_cast<double>(f.records); }

struct Result {
  Scenario scenario;
  Figures program, window, floor;
  std::string failure;
};

constexpr const char* kPhone = "89001234567";
constexpr const char* kMemoryNow = "2024-06-30T23:00";
constexpr const char* kIntervalStart = "2024-05-01";

// --- Machine ---

std::string FirstLineWith(const std::string& file, const std::string& key) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) return line.substr(line.find(':') + 2);
  return "?";
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

void PrintMachine() {
  utsname u{};
  uname(&u);
  std::printf("machine: %ld processors, %s, Linux %s\n", sysconf(_SC_NPROCESSORS_ONLN),
              FirstLineWith("/proc/cpuinfo", "model name").c_str(), u.release);
  std::printf("load average at the start: %s\n\n", LoadAverage().c_str());
  std::fflush(stdout);
}

// --- Runs ---

class DataDir {
 public:
  DataDir() {
    char name[] = "/tmp/line_bench.XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
    path_ = name;
  }
  ~DataDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::vector<std::string> SimArgs(const Scenario& s) {
  std::vector<std::string> args = s.simArgs;
  if (s.baud > 0) args.insert(args.end(), {"--baud", std::to_string(s.baud)});
  return args;
}

struct ProgramRun {
  Exit exit;
  long replies;
};

ProgramRun RunProgram(const Options& o, const Scenario& s, const std::vector<std::string>& call,
                      const DataDir& data) {
  Simulator sim(o.simBin + "/tm517sim", SimArgs(s));
  std::vector<std::string> argv{o.bin + "/" + s.program, "--port", sim.path(), "--data-dir",
                                data.path(), "--stamp", "bench"};
  argv.insert(argv.end(), call.begin(), call.end());
  Child program(argv);
  const Exit e = program.Finish(1800);
  const long replies = sim.Stop();
  if (e.status != 0)
    throw std::runtime_error(s.program + " ended with status " + std::to_string(e.status) +
                             ": " + program.output(1));
  return {e, replies};
}

Figures ProgramRead(const Options& o, const Scenario& s, const DataDir& data) {
  const ProgramRun clock = RunProgram(o, s, s.clockArgs, data);
  const ProgramRun read = RunProgram(o, s, s.readArgs, data);
  return {read.replies - clock.replies, read.exit.wall - clock.exit.wall,
          read.exit.cpu - clock.exit.cpu};
}

Figures WindowRead(const Options& o, const Scenario& s) {
  Simulator sim(o.simBin + "/tm517sim", SimArgs(s));
  Child c({o.bin + "/window_bench", "--port", sim.path(), "--read-archive"},
          {"QT_QPA_PLATFORM=offscreen"});
  const Exit e = c.Finish(1800);
  sim.Stop();
  Figures f;
  if (e.status != 0 || std::sscanf(c.LineWith(0, "read ").c_str(),
                                   "read records=%ld seconds=%lf cpu=%lf", &f.records,
                                   &f.seconds, &f.cpu) != 3)
    throw std::runtime_error("window_bench ended with status " + std::to_string(e.status) +
                             ": " + c.output(1));
  return f;
}

Figures FloorRead(const Options& o, const Scenario& s) {
  Simulator sim(o.simBin + "/tm517sim", SimArgs(s));
  const ClientRead r = BlockingRead(sim.path(), s.phone, s.records);
  sim.Stop();
  if (r.bad) throw std::runtime_error("the floor saw " + std::to_string(r.bad) + " bad replies");
  return {r.records, r.seconds, r.cpu};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

Figures Medians(const std::vector<Figures>& runs) {
  const auto of = [&](const std::function<double(const Figures&)>& field) {
    std::vector<double> v;
    for (const auto& f : runs) v.push_back(field(f));
    return Median(v);
  };
  return {runs.front().records, of([](const Figures& f) { return f.seconds; }),
          of([](const Figures& f) { return f.cpu; }),
          of([](const Figures& f) { return f.vsFloor; })};
}

Result Measure(const Options& o, const Scenario& s) {
  Result r{s, {}, {}, {}, {}};
  if (!std::filesystem::exists(o.bin + "/" + s.program)) {
    r.failure = s.program + " is not built";
    return r;
  }
  std::vector<Figures> program, window, floor;
  DataDir data;
  try {
    for (int i = 0; i < s.runs; ++i) {
      std::fprintf(stderr, "%s, %s: run %d of %d\n", s.title.c_str(),
                   s.baud ? std::to_string(s.baud).c_str() : "no line timing", i + 1, s.runs);
      // On a timed line the reads wait for the line nearly all the time: the floor and the
      // window read run beside the program's, each against a simulator of its own. Without
      // line timing they would compete for the processors: one after the other.
      const auto launch = s.baud > 0 ? std::launch::async : std::launch::deferred;
      auto floorRead = std::async(launch, [&] { return FloorRead(o, s); });
      auto windowRead =
          std::async(launch, [&] { return s.window ? WindowRead(o, s) : Figures{}; });
      program.push_back(ProgramRead(o, s, data));
      floor.push_back(floorRead.get());
      if (s.window) window.push_back(windowRead.get());
      // Compared run by run: the machine's speed drifts more between runs than within one.
      for (auto* f : {&program.back(), s.window ? &window.back() : nullptr})
        if (f) f->vsFloor = PerRecord(*f) / PerRecord(floor.back());
      std::fprintf(stderr, "  seconds: floor %.3f, program %.3f", floor.back().seconds,
                   program.back().seconds);
      if (s.window) std::fprintf(stderr, ", window %.3f", window.back().seconds);
      std::fprintf(stderr, "\n");
    }
    r.program = Medians(program);
    if (s.window) r.window = Medians(window);
    r.floor = Medians(floor);
  } catch (const std::exception& e) {
    r.failure = e.what();
  }
  return r;
}

// --- Reads table ---

double LineLimit(long records, int baud) {
  // A round trip is an 11-byte request and an 11-byte reply, 10 bits a byte.
  return baud > 0 ? records * 22.0 * 10.0 / baud : 0;
}

void PrintRow(const std::string& read, int baud, const Figures& f, const std::string& verdict) {
  const std::string line = baud ? std::to_string(baud) : "none";
  const double limit = LineLimit(f.records, baud);
  char limitText[16] = "-";
  if (limit > 0) std::snprintf(limitText, sizeof limitText, "%.3f", f.seconds / limit);
  std::printf("%-34s %7s %8ld %9.2f %9.1f %8s %8.3f %11.4f %9.2f  %s\n", read.c_str(),
              line.c_str(), f.records, f.seconds, f.records / f.seconds, limitText,
              f.vsFloor, f.cpu / f.records * 1000, 100 * f.cpu / f.seconds,
              verdict.c_str());
}

std::string Verdict(const Scenario& s, const Figures& f) {
  const double slower = f.vsFloor;
  const double share = f.cpu / f.seconds;
  if (s.baud == 0)
    return std::string(slower <= 1.25 ? "ok" : "MISSED") + " (rate >= 80% of the floor's)";
  const bool ok = slower <= 1.05 && share <= 0.05;
  return std::string(ok ? "ok" : "MISSED") + " (x floor <= 1.05, CPU <= 5%)";
}

void PrintReads(const std::vector<Result>& results) {
  std::printf("%-34s %7s %8s %9s %9s %8s %8s %11s %9s  %s\n", "read", "bit/s", "records",
              "seconds", "rec/s", "x limit", "x floor", "CPU s/1000", "CPU %wall", "target");
  for (const auto& r : results) {
    if (!r.failure.empty()) {
      std::printf("%-34s failed: %s\n", r.scenario.title.c_str(), r.failure.c_str());
      continue;
    }
    const Scenario& s = r.scenario;
    PrintRow(s.title, s.baud, r.program, Verdict(s, r.program));
    if (s.window) PrintRow("  the same in the window", s.baud, r.window, Verdict(s, r.window));
    PrintRow("  floor: blocking client", s.baud, r.floor, "");
  }
  std::printf(
      "\nseconds: the read alone (program: the read run less a clock-read run of the same call;"
      "\nfloor: first request to last reply); x limit: seconds over 22 bytes x 10 bits per record"
      "\nat the line's rate; x floor: time per record over the floor's in the same run; CPU:"
      "\nuser + system of the program (wait4), differenced the same way; in the window"
      "\n(offscreen, window_bench): from the press of the read button to the end of the run,"
      "\nexport included.\n");
  for (const auto& r : results)
    if (r.failure.empty() && r.scenario.runs > 1)
      std::printf("%s, %s: medians of %d runs\n", r.scenario.title.c_str(),
                  r.scenario.baud ? (std::to_string(r.scenario.baud) + " bit/s").c_str()
                                  : "no line timing",
                  r.scenario.runs);
}

// --- Checks ---

struct Outcome {
  std::string measured, target;
  bool ok;
};

struct Check {
  std::string what;
  Outcome outcome;
};

std::string Fixed(double v, int digits, const char* unit) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f %s", digits, v, unit);
  return buf;
}

// The medians of core_bench's Google benchmarks, in milliseconds, by name.
std::map<std::string, double> CoreMedians(const Options& o) {
  Child c({o.bin + "/core_bench", "--benchmark_repetitions=5",
           "--benchmark_report_aggregates_only=true", "--benchmark_format=json"});
  c.Finish(300);
  const std::string& json = c.output(0);
  const std::map<std::string, double> perMs{{"ns", 1e-6}, {"us", 1e-3}, {"ms", 1}, {"s", 1e3}};
  std::map<std::string, double> medians;
  const std::string suffix = "_median\"";
  for (std::size_t at = json.find(suffix); at != std::string::npos;
       at = json.find(suffix, at + 1)) {
    const std::size_t name = json.rfind('"', at - 1) + 1;
    const std::size_t time = json.find("\"real_time\":", at);
    const std::size_t unit = json.find("\"time_unit\": \"", at);
    if (time == std::string::npos || unit == std::string::npos) break;
    const std::string unitText = json.substr(unit + 14, json.find('"', unit + 14) - unit - 14);
    if (!perMs.count(unitText)) continue;
    medians[json.substr(name, at - name)] =
        std::strtod(json.c_str() + time + 12, nullptr) * perMs.at(unitText);
  }
  if (medians.empty())
    throw std::runtime_error("no medians in core_bench's report: " + c.output(1));
  return medians;
}

double MedianOf(const std::map<std::string, double>& medians, const std::string& name) {
  const auto it = medians.find(name);
  if (it == medians.end()) throw std::runtime_error("core_bench did not report " + name);
  return it->second;
}

Outcome CoreCheck(const std::map<std::string, double>& medians, const std::string& name,
                  double limitMs) {
  const double ms = MedianOf(medians, name);
  const std::string measured = ms < 0.001 ? Fixed(ms * 1e6, 0, "ns")
                              : ms < 1    ? Fixed(ms * 1e3, 1, "us")
                                          : Fixed(ms, 2, "ms");
  if (limitMs <= 0) return {measured, "", true};
  return {measured, "< " + Fixed(limitMs, 0, "ms"), ms < limitMs};
}

Outcome WindowCheck(const Options& o, const std::string& program, int runs) {
  // The first flush of the top-level window to the (offscreen) screen, as Qt's painting log
  // reports it, from the moment the program was started.
  std::vector<double> shown;
  DataDir data;
  for (int i = 0; i < runs; ++i) {
    Child c({o.bin + "/" + program},
            {"QT_QPA_PLATFORM=offscreen", "QT_LOGGING_RULES=qt.widgets.painting.info=true",
             "QT_MESSAGE_PATTERN=%{message}", "TM517_HOME=" + data.path()});
    const double at = c.AwaitLine(1, "Flushing top level", 10);
    if (at > 0) shown.push_back(at - c.started());
    c.Signal(SIGTERM);
    c.Finish(10);
  }
  if (shown.empty()) throw std::runtime_error("the window was not shown within 10 s");
  const double s = Median(shown);
  return {Fixed(s, 3, "s"), "< 0.5 s", s < 0.5};
}

Outcome IdleCheck(const Options& o, int seconds) {
  Simulator sim(o.simBin + "/tm517sim", {"--baud", "115200"});
  Child c({o.bin + "/window_bench", "--port", sim.path(), "--idle", std::to_string(seconds)},
          {"QT_QPA_PLATFORM=offscreen"});
  c.Finish(seconds + 60);
  sim.Stop();
  double cpuMs = -1, wakeups = -1;
  std::sscanf(c.LineWith(0, "idle").c_str(), "idle cpu_ms_per_s=%lf wakeups_per_s=%lf", &cpuMs,
              &wakeups);
  if (cpuMs < 0) throw std::runtime_error("window_bench: " + c.output(1));
  return {Fixed(cpuMs, 3, "ms CPU/s, ") + Fixed(wakeups, 2, "wake-ups/s"),
          "the 1 s clock tick only", wakeups <= 1.5 && cpuMs < 1};
}

// A check that could not run says why.
Check Checked(const std::string& what, const std::function<Outcome()>& check) {
  try {
    return {what, check()};
  } catch (const std::exception& e) {
    return {what, {std::string("not measured: ") + e.what(), "", false}};
  }
}

void PrintChecks(const std::vector<Check>& checks) {
  std::printf("\n%-50s %-34s %-24s\n", "check", "measured", "target");
  for (const auto& [what, c] : checks)
    std::printf("%-50s %-34s %-24s %s\n", what.c_str(), c.measured.c_str(), c.target.c_str(),
                !c.ok ? "MISSED" : c.target.empty() ? "" : "ok");
}

// --- Scenarios ---

std::vector<Scenario> Scenarios(const Options& o) {
  const std::vector<std::string> whole{"--read-archive"}, clock{"--read-clock"};
  const auto speed = [](int baud) { return std::to_string(baud) + ",N,8,1"; };
  std::vector<Scenario> list{
      // Without line timing a run takes seconds and varies most: more of them.
      {"arcread, whole archive", "arcread", 0, {}, whole, clock, "", 12800,
       std::max(5, 2 * o.repeat - 1), true},
      {"arcread, whole archive", "arcread", 115200, {},
       {"--speed", speed(115200), "--read-archive"}, {"--speed", speed(115200), "--read-clock"},
       "", 12800, o.repeat, true},
      {"arcgsm, interval of 36 days", "arcgsm", 9600, {"--modem", "--memory-now", kMemoryNow},
       {"--speed", speed(9600), "--phone", kPhone, "--read-interval", "--date", kIntervalStart,
        "--days", "35"},
       {"--speed", speed(9600), "--phone", kPhone, "--read-clock"}, kPhone, 2304, 1},
      {"arcread, whole archive", "arcread", 9600, {}, {"--speed", speed(9600), "--read-archive"},
       {"--speed", speed(9600), "--read-clock"}, "", 12800, 1},
  };
  return list;
}

std::string ProgramDir() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

[[noreturn]] void Usage(const std::string& message) {
  std::ostream& out = message.empty() ? std::cout : std::cerr;
  if (!message.empty()) out << "line_bench: " << message << "\n";
  out << "usage: line_bench [--bin DIR] [--sim-bin DIR] [--repeat N]\n"
               "  --bin DIR       the programs, core_bench and window_bench (default: beside "
               "line_bench)\n"
               "  --sim-bin DIR   tm517sim (default: --bin)\n"
               "  --repeat N      runs of the reads at 115200 bit/s (default 3; without line\n"
               "                  timing 2N-1, at least 5; at 9600 one)\n";
  std::exit(message.empty() ? 0 : 2);
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  o.bin = ProgramDir();
  std::string simBin;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&] {
      if (i + 1 >= argc) Usage(a + " needs a value");
      return std::string(argv[++i]);
    };
    if (a == "--bin") o.bin = value();
    else if (a == "--sim-bin") simBin = value();
    else if (a == "--repeat") o.repeat = std::max(1, std::atoi(value().c_str()));
    else if (a == "--help") Usage("");
    else Usage("unknown option " + a);
  }
  o.simBin = simBin.empty() ? o.bin : simBin;
  return o;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  using namespace bench;
  const Options o = ParseOptions(argc, argv);
  signal(SIGPIPE, SIG_IGN);
  PrintMachine();
  std::vector<Result> results;
  for (const auto& s : Scenarios(o)) results.push_back(Measure(o, s));
  std::printf("\n");
  PrintReads(results);
  std::fflush(stdout);
  std::map<std::string, double> core;  // core_bench's medians, run at the first row
  std::vector<Check> checks;
  for (const auto& [what, name, limitMs] :
       {std::tuple{"build of a request frame", "BM_BuildRequest", 0.0},
        {"check and value of a reply frame", "BM_CheckReply", 0.0},
        {"parameter sheet", "BM_ParameterSheet", 0.0},
        {"export of a full store, nine files", "BM_ExportFullStore", 20.0}})
    checks.push_back(Checked(std::string(what) + " (median of 5)", [&] {
      if (core.empty()) core = CoreMedians(o);
      return CoreCheck(core, name, limitMs);
    }));
  for (const char* program : {"arcread", "arcgsm", "linkmon"})
    checks.push_back(Checked(std::string(program) + " window shown after exec (offscreen)",
                             [&] { return WindowCheck(o, program, o.repeat); }));
  checks.push_back(
      Checked("idle: arcread window, Start pressed, 5 s", [&] { return IdleCheck(o, 5); }));
  PrintChecks(checks);
  std::printf("\nload average at the end: %s\n", LoadAverage().c_str());
  return 0;
}
