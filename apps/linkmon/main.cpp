// linkmon: the live monitor of the meter's two channels. Without options it opens its window;
// with any option it polls headless and prints the display lines.
#include <QCoreApplication>
#include <iostream>

#include "apps/common/ports.h"
#include "apps/common/window_main.h"
#include "apps/linkmon/headless.h"
#include "platform/errors.h"
#include "platform/qt/qt_loop.h"

int main(int argc, char** argv) {
  const auto line = linkmon::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (line.mode) {
    case linkmon::CommandLine::Mode::Help:
      std::cout << linkmon::kUsage;
      return linkmon::kExitOk;
    case linkmon::CommandLine::Mode::UsageError:
      std::cerr << line.error << '\n';
      return linkmon::kExitUsage;
    case linkmon::CommandLine::Mode::Headless:
    case linkmon::CommandLine::Mode::Window:
      break;
  }
  const bool window = line.mode == linkmon::CommandLine::Mode::Window;
  auto application = app::MakeApplication(
      argc, argv, window ? app::AppKind::Window : app::AppKind::Headless);
  platform::QtLoop loop;
  platform::DeviceFactory ports;
  try {
    ports = app::ProgramPorts(loop, false, line.options.trace);
  } catch (const platform::Error& e) {
    std::cerr << e.what() << '\n';
    return linkmon::kExitUsage;
  }
  linkmon::TForm1 form(loop, std::move(ports), app::PortItems({"1", "2"}));
  if (window) return app::RunWindow(form);

  linkmon::HeadlessRun run(form, loop, line.options, std::cout, std::cerr);
  loop.schedule(0, [&run] { run.Begin(); });
  return QCoreApplication::exec();
}
