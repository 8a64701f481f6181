#include "platform/data_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/errors.h"

namespace platform {

std::string ResolveDataDir(const std::string& fromCommandLine) {
  std::string dir = fromCommandLine;
  if (dir.empty()) {
    if (const char* env = std::getenv("TM517_HOME"); env && *env) dir = env;
  }
  if (dir.empty()) {
    const char* home = std::getenv("HOME");
    dir = std::string(home && *home ? home : ".") + "/tm517";
  }
  if (dir.back() != '/') dir += '/';
  return dir;
}

void EnsureExportFolders(const std::string& dataDir) {
  for (const char* sub : {"arc/dop", "arc/graf"}) {
    std::error_code ec;
    std::filesystem::create_directories(dataDir + sub, ec);
    if (ec)
      throw FileError("Не удалось создать папку " + dataDir + sub + ": " + ec.message());
  }
}

}  // namespace platform
