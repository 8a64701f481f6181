#pragma once
// The parameter sheet: the main measuring parameters of both channels, read from the first 200
// records, as the lines the text log receives.
#include <string>
#include <vector>

#include "archive/record_store.h"

namespace archive {

constexpr int kParameterRecords = 200;

// The header and eleven value lines (UTF-8), the comma as decimal separator.
std::vector<std::string> ParameterSheet(const RecordStore& store);

// A value as the sheet writes it: rounded to ten significant digits, then fixed point with
// four decimals and a comma ("0,0200", "-12,5000").
std::string SheetNumber(double v);

}  // namespace archive
