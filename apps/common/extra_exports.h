#pragma once
// The forms of an export beyond the nine reports, on the operator's request: CSV files for
// spreadsheets and SCADA systems, and PNG charts of the increments.
#include <string>

#include "export/export.h"

namespace app {

// arc/csv/<stamp>_hours.csv, _days.csv, _months.csv (the groups that ran). Throws FileError.
void WriteCsvFiles(const report::ArchiveSeries& series, const std::string& dataDir,
                   const std::string& stamp);

// arc/graf/<stamp>_sut_1.png and _sut_2.png (daily increments per channel) and _chas_1.png,
// _chas_2.png (hourly increments of the last days read), when the hourly group ran. Needs a
// GUI application object (the offscreen platform serves). Throws FileError.
void WriteCharts(const report::ArchiveSeries& series, const std::string& dataDir,
                 const std::string& stamp);

}  // namespace app
