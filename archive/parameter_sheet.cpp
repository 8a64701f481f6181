#include "archive/parameter_sheet.h"

#include <cmath>
#include <charconv>

#include "link/frames.h"

namespace archive {
namespace {

float Param(const RecordStore& store, int position) {
  return devlink::BitsFloat(store.ParamValues[static_cast<std::size_t>(position)]);
}

// The averaging time in seconds for a stored averaging code; other values stay as they are.
float AveragingSeconds(float code) {
  static const struct { float code, seconds; } kTable[] = {
      {1, 0.02f}, {1.5f, 0.04f}, {2, 0.06f}, {3, 0.08f}, {4, 0.15f}, {5, 0.3f}, {10, 0.6f},
      {20, 1.3f}, {40, 2.6f}, {80, 5}, {150, 10}, {300, 20}, {500, 40}, {1000, 80}};
  for (const auto& row : kTable)
    if (code == row.code) return row.seconds;
  return code;
}

struct Line {
  const char* label;
  double (*value)(const RecordStore&, int channelOffset);
  const char* separator;
  bool dividesByQmax = false;
};

double At(const RecordStore& s, int p) { return static_cast<double>(Param(s, p)); }

const Line kLines[] = {
    {"2.Qmax,м3*час=  ", [](const RecordStore& s, int o) { return At(s, 31 + o); }, " ="},
    {"3.D,мм       =  ", [](const RecordStore& s, int o) { return At(s, 30 + o) * 1000; }, " ="},
    {"4.ld,мм      =  ", [](const RecordStore& s, int o) { return At(s, 29 + o) * 1000; }, " ="},
    {"5.Отсечка,%  =  ",
     [](const RecordStore& s, int o) { return 100 * At(s, 28 + o) / At(s, 31 + o); }, " =",
     true},
    {"6.Tусред,с   =  ",
     [](const RecordStore& s, int o) {
       return static_cast<double>(AveragingSeconds(Param(s, 27 + o)));
     },
     " ="},
    {"7.Тсмещ.,мкс =  ", [](const RecordStore& s, int o) { return At(s, 51 + o); }, " ="},
    {"9.L кабеля,м =  ", [](const RecordStore& s, int o) { return At(s, 26 + o); }, " ="},
    {"0.К корекции =  ", [](const RecordStore& s, int o) { return At(s, 25 + o); }, " ="},
    {"F.Вес  л/имп.=  ", [](const RecordStore& s, int o) { return At(s, 57 + o) / 3.6; }, " ="},
    {"t1           =  ", [](const RecordStore& s, int o) { return At(s, 60 + o); }, " "},
    {"t2           =  ", [](const RecordStore& s, int o) { return At(s, 61 + o); }, " "},
};

constexpr const char* kNoQmax = "нет: Qmax=0";

std::string ChannelText(const RecordStore& store, const Line& line, int channelOffset) {
  // A zero Qmax leaves the cut-off without a base: say so instead of dividing by zero.
  if (line.dividesByQmax && Param(store, 31 + channelOffset) == 0.0f) return kNoQmax;
  return SheetNumber(line.value(store, channelOffset));
}

}  // namespace

std::string SheetNumber(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  // Locale-free conversions: the separator is the comma whatever the machine's settings.
  char buf[400];
  auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 9).ptr;
  double rounded = 0;  // ten significant digits
  std::from_chars(buf, end, rounded, std::chars_format::scientific);
  end = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, 4).ptr;
  std::string s(buf, end);
  if (auto dot = s.find('.'); dot != std::string::npos) s[dot] = ',';
  if (s == "-0,0000") s = "0,0000";
  return s;
}

std::vector<std::string> ParameterSheet(const RecordStore& store) {
  std::vector<std::string> lines{"                1-канал  2-канал"};
  for (const auto& line : kLines)
    lines.push_back(std::string(line.label) + ChannelText(store, line, 0) + line.separator +
                    ChannelText(store, line, 100));
  return lines;
}

}  // namespace archive
