// The archive export over arbitrary record stores. The input is the groups to write (bit 0
// hourly, bit 1 monthly, bit 2 the hourly point code taken as the factor), then runs of cells
// written into a store of zeros: a first position, a count, that many values. Checks: a group
// that runs fills its files and one that does not leaves them empty, every line ends in CR LF,
// and every file is Windows-1251 text.
#include <string>
#include <string_view>
#include <vector>

#include "archive/record_store.h"
#include "export/export.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

namespace {

using fuzz::Check;
using report::ReportFile;

bool InHourlyGroup(std::size_t file) {
  return file != static_cast<std::size_t>(ReportFile::MonthCounter) &&
         file != static_cast<std::size_t>(ReportFile::Month);
}

bool LinesEndInCrLf(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return text.empty() || text.ends_with("\r\n");
}

void CheckFile(const std::string& text, bool groupRan) {
  Check(text.empty() != groupRan, "a group that runs fills its files, another leaves them empty");
  Check(LinesEndInCrLf(text), "every line ends in CR LF");
  Check(platform::TryToCp1251(platform::FromCp1251(text)) == text,
        "a file is Windows-1251 text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Script script(data, size);
  const std::uint8_t groups = script.byte();
  const report::ExportOptions options{(groups & 1) != 0, (groups & 2) != 0, (groups & 4) != 0};
  std::vector<std::uint32_t> cells(archive::kStoreCells);
  while (!script.done()) {
    std::size_t position = script.word() % cells.size();
    for (int count = script.byte(); count > 0 && position < cells.size(); --count)
      cells[position++] = script.dword();
  }
  const auto files = report::ExportArchive(cells, options);
  for (std::size_t file = 0; file < files.size(); ++file)
    CheckFile(files[file], InHourlyGroup(file) ? options.hourly : options.monthly);
  return 0;
}
