#include "apps/common/archive_main.h"

#include <QCoreApplication>

#include "apps/common/ports.h"
#include "apps/common/window_main.h"
#include "platform/data_dir.h"
#include "platform/errors.h"
#include "platform/qt/qt_loop.h"

namespace app {

int RunArchiveProgram(int& argc, char** argv, const ArchiveProgram& program,
                      const CommonOptions& common, bool window) {
  auto application = MakeApplication(
      argc, argv,
      window ? AppKind::Window : common.charts ? AppKind::HeadlessGraphics : AppKind::Headless);
  platform::QtLoop loop;
  std::unique_ptr<archive::ArchiveWindow> form;
  std::vector<Step> steps;
  try {
    form = program.makeForm(loop, ProgramPorts(loop, program.modemFront, common.trace),
                            platform::ResolveDataDir(common.dataDir));
    ApplyCommonOptions(common, *form);
    if (!window) steps = program.steps(*form);
  } catch (const UsageError& e) {
    return ReportUsage(program.name, e.what());
  } catch (const platform::Error& e) {  // a trace file that cannot be created
    return ReportUsage(program.name, e.what());
  }
  if (window) {
    form->ComboBox1->Items = PortItems(form->ComboBox1->Items);
    return RunWindow(*form);
  }
  HeadlessRun run(*form, loop);
  run.Begin(std::move(steps));
  return QCoreApplication::exec();
}

}  // namespace app
