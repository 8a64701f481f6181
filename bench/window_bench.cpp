// arcread's window at work on a port: the form shown as its Qt window, its buttons pressed
// through the controls as the operator's clicks would be. Two measurements:
//
//   window_bench --port PATH --idle SECONDS
//     Start pressed, nothing running; after a second to settle, the processor time and the
//     wake-ups (voluntary context switches) of the whole process over SECONDS:
//     "idle cpu_ms_per_s=X wakeups_per_s=Y"
//   window_bench --port PATH --read-archive
//     Start, then the whole-archive read; from the press to the end of the run (export and
//     Stop included): "read records=N seconds=S cpu=C"
//
// Run it under QT_QPA_PLATFORM=offscreen where there is no display.
#include <stdlib.h>
#include <sys/resource.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "apps/arcread/arcread_form.h"
#include "apps/common/ports.h"
#include "platform/data_dir.h"
#include "platform/errors.h"
#include "platform/qt/qt_loop.h"
#include "platform/qt/qt_window.h"

namespace {

constexpr int kSettleMs = 1000;

// What the process has spent so far.
struct Spent {
  double seconds;  // monotonic clock
  double cpuSeconds;
  long wakeups;
};

Spent SpentSoFar(const platform::EventLoop& loop) {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return {static_cast<double>(loop.monotonicMs()) / 1000,
          static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
              (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6,
          ru.ru_nvcsw};
}

struct Options {
  std::string port;
  int idleSeconds = 0;  // 0: the archive read
};

[[noreturn]] void Usage(const std::string& message) {
  std::cerr << "window_bench: " << message
            << "\nusage: window_bench --port PATH (--idle SECONDS | --read-archive)\n";
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  bool read = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--read-archive") read = true;
    else if (i + 1 >= argc) Usage(a + " needs a value");
    else if (a == "--port") o.port = argv[++i];
    else if (a == "--idle") o.idleSeconds = std::max(1, std::atoi(argv[++i]));
    else Usage("unknown option " + a);
  }
  if (o.port.empty() || read == (o.idleSeconds > 0)) Usage("a port and one measurement");
  return o;
}

void MeasureIdle(platform::EventLoop& loop, int seconds) {
  auto from = std::make_shared<Spent>();
  loop.schedule(kSettleMs, [&loop, from] { *from = SpentSoFar(loop); });
  loop.schedule(kSettleMs + seconds * 1000, [&loop, from, seconds] {
    const Spent to = SpentSoFar(loop);
    std::printf("idle cpu_ms_per_s=%.4f wakeups_per_s=%.3f\n",
                (to.cpuSeconds - from->cpuSeconds) * 1000 / seconds,
                static_cast<double>(to.wakeups - from->wakeups) / seconds);
    QCoreApplication::exit(0);
  });
}

void MeasureRead(platform::EventLoop& loop, arcread::TForm1& form) {
  const Spent from = SpentSoFar(loop);
  form.engine.OnRunEnded = [&loop, &form, from](bool completed) {
    const Spent to = SpentSoFar(loop);
    std::printf("read records=%d seconds=%.4f cpu=%.4f\n", form.engine.GoodCount,
                to.seconds - from.seconds, to.cpuSeconds - from.cpuSeconds);
    QCoreApplication::exit(completed ? 0 : 3);
  };
  platform::RunHandler([&] { form.Button11->Click(); });
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = ParseOptions(argc, argv);
  QApplication app(argc, argv);
  platform::QtLoop loop;
  char dir[] = "/tmp/window_bench.XXXXXX";
  if (!mkdtemp(dir)) Usage("cannot make a data folder");
  int status = 0;
  {
    arcread::TForm1 form(loop, app::ProgramPorts(loop, false), platform::ResolveDataDir(dir));
    form.ComboBox1->Text = o.port;
    platform::QtWindow window(form);
    window.show();
    platform::SetErrorReporter([](const platform::Error& e) {
      std::cerr << "window_bench: " << e.what() << '\n';
      QCoreApplication::exit(2);
    });
    platform::RunHandler([&] { form.Button2->Click(); });
    if (!form.MSComm1.PortOpen()) {
      status = 2;  // Start failed and said why
    } else {
      if (o.idleSeconds > 0) MeasureIdle(loop, o.idleSeconds);
      else MeasureRead(loop, form);
      status = QApplication::exec();
    }
  }
  std::filesystem::remove_all(dir);
  return status;
}
