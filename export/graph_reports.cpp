// The bar charts of the hourly and the daily increments, one file per channel.
#include <algorithm>
#include <cmath>
#include <string>

#include "export/fields.h"
#include "export/writers.h"

namespace report {
namespace {

constexpr std::size_t kGraphRowBytes = 108;

// Title and column line of each channel's file; the daily files add the operating time column.
std::array<std::string, 2> GraphHeadings(const char* title, int blanksBeforeChannel,
                                         bool withTime) {
  std::array<std::string, 2> headings;
  for (int channel = 0; channel < 2; ++channel) {
    const std::string number = std::to_string(channel + 1);
    std::string columns = "Дата       Время" + std::string(blanksBeforeChannel, ' ') + "КАНАЛ №" +
                          number + "   Счетчик №" + number;
    if (withTime) columns += "  Наработка" + number;
    headings[channel] = Cp1251Lines({title + number, columns});
  }
  return headings;
}

std::string AppendGraphRows(std::string text, const Pass& pass, int channel, double scale,
                            bool withTime) {
  text.reserve(text.size() + pass.size() * kGraphRowBytes);
  for (const auto& step : pass) {
    AppendHourPrefix(text, step.row->Stamp);
    text += " |";
    AppendBarField(text, step.increment[channel], step.previous[channel], step.Reading(channel),
                   scale);
    text += "  :";
    AppendReal(text, step.increment[channel], 11, 3);
    AppendReal(text, step.Reading(channel), 12, 3);
    if (withTime) AppendReal(text, step.timeIncrement[channel], 11, 2);
    text += kLineEnd;
  }
  return text;
}

}  // namespace

std::array<double, 2> HourlyScales(const Pass& hours) {
  std::array<double, 2> scales{0, 0};
  for (const auto& step : hours)
    for (int channel = 0; channel < 2; ++channel)
      if (step.previous[channel] != 0)
        scales[channel] = std::max(scales[channel], std::fabs(step.increment[channel]));
  for (auto& scale : scales)
    if (scale == 0) scale = 1;
  return scales;
}

std::string WriteHourGraph(const Pass& hours, int channel, double scale) {
  static const auto headings = GraphHeadings(
      "АРХИВ ЧАСОВЫХ ЗНАЧЕНИЙ С ГРАФИЧЕСКИМ ПРЕДСТАВЛЕНИЕМ ДАННЫХ - КАНАЛ №", 60, false);
  return AppendGraphRows(headings[channel], hours, channel, scale, false);
}

std::string WriteDayGraph(const Pass& days, int channel, double scale) {
  static const auto headings = GraphHeadings(
      "АРХИВ СУТОЧНЫХ ЗНАЧЕНИЙ С ГРАФИЧЕСКИМ ПРЕДСТАВЛЕНИЕМ ДАННЫХ - КАНАЛ №", 59, true);
  return AppendGraphRows(headings[channel], days, channel, scale, true);
}

}  // namespace report
