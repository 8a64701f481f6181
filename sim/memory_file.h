#pragma once
// The simulated meter's memory in a JSON file: parameters, archive, GSM settings, clock offset
// and flow model, so that a simulator can be started again with the memory it had.
#include <string>

#include "sim/memory.h"

namespace sim {

// Throw platform::FileError naming the file and the cause.
void SaveMemoryFile(const MeterMemory& memory, const std::string& path);
MeterMemory LoadMemoryFile(const std::string& path);

}  // namespace sim
