#pragma once
// The packed clock: a minute of local time as the decimal digits YYMMDDhhmm of one unsigned
// 32-bit number. The meter's clock record, the PC clock sent to the meter and the archive's
// time stamps all take this form.
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace archive {

// yy x 100000000 + MM x 1000000 + dd x 10000 + hh x 100 + mm, with yy = year - 2000 for years
// after 2000, in unsigned 32-bit arithmetic; seconds are dropped.
std::uint32_t PackClock(const platform::DateTime& t);

// "YYYY.MM.DD hh:mm" as the clock field shows a packed value; the parts are not checked.
std::string ClockText(std::uint32_t packed);

// The file stamp of the export files: year, month, day, hour and minute joined by "_", each
// but the year with two digits ("2009_08_15_09_05").
std::string FileStamp(const platform::DateTime& t);

}  // namespace archive
