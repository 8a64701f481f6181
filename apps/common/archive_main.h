#pragma once
// What the mains of the two archive programs share once their options are read: the
// application, the ports, the window or the headless run of the steps.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apps/common/headless.h"

namespace app {

struct ArchiveProgram {
  const char* name;
  bool modemFront;  // "sim" puts the simulated modem before the meter
  std::function<std::unique_ptr<archive::ArchiveWindow>(
      platform::EventLoop& loop, platform::DeviceFactory ports, std::string dataDir)>
      makeForm;
  // The headless steps for the form; may throw UsageError.
  std::function<std::vector<Step>(archive::ArchiveWindow& form)> steps;
};

// `window`: no step and no field was given. Returns the exit status.
int RunArchiveProgram(int& argc, char** argv, const ArchiveProgram& program,
                      const CommonOptions& common, bool window);

}  // namespace app
