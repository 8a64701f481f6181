#pragma once
// The fields every report line is made of. Numbers are right-aligned with blanks, never cut,
// and always use "." whatever the locale.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace report {

inline constexpr std::string_view kLineEnd = "\r\n";

// Heading lines given in UTF-8, as Windows-1251 bytes, each followed by CR LF.
std::string Cp1251Lines(std::initializer_list<std::string_view> utf8Lines);

// A whole number in `width` characters, blanks on the left; a longer one takes the room it needs.
void AppendInteger(std::string& line, std::uint32_t value, int width);

// Fixed point with exactly `decimals` digits after ".", correctly rounded, a leading "-" when
// negative, blanks on the left up to `width`; a longer number takes the room it needs.
void AppendReal(std::string& line, double value, int width, int decimals);

// Hour of a packed clock value yyMMddhhmm.
unsigned HourOf(std::uint32_t stamp);

// "2009. 8. 5  3:00": year, month, day and hour of a packed clock value, 16 characters.
void AppendHourPrefix(std::string& line, std::uint32_t stamp);

// "2009. 8 00:00": year and month of a packed clock value, 13 characters.
void AppendMonthPrefix(std::string& line, std::uint32_t stamp);

// |increment| x 50 / scale to the nearest whole number, a half to the even neighbour.
std::size_t BarLength(double increment, double scale);

// The bar of one graph row. With a previous and a current reading: BarLength marks, padded
// with "-" to 51 characters when it is at most 50; otherwise the 51-character no-data field.
void AppendBarField(std::string& line, double increment, double previous, double reading,
                    double scale);

}  // namespace report
