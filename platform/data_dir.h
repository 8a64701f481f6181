#pragma once
// The data folder: the place of the export folders and the node directory. It is the folder
// given on the command line, else $TM517_HOME, else ~/tm517.
#include <string>

namespace platform {

// The data folder for an optional command-line value; always ends in "/".
std::string ResolveDataDir(const std::string& fromCommandLine);
// Creates the folder with arc/, arc/dop/ and arc/graf/ where missing; throws FileError.
void EnsureExportFolders(const std::string& dataDir);

}  // namespace platform
