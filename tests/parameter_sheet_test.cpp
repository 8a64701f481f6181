// The parameter sheet: its lines byte for byte, the averaging codes, the number text with the
// comma whatever the machine's locale, and a channel without Qmax.
#include <gtest/gtest.h>

#include <clocale>

#include "archive/parameter_sheet.h"
#include "link/frames.h"

using archive::ParameterSheet;
using archive::RecordStore;
using archive::SheetNumber;

namespace {

void Set(RecordStore& s, int position, float v) { s.Store(position, devlink::FloatBits(v)); }

RecordStore TwoChannels() {
  RecordStore s;
  for (int ch : {0, 100}) {
    Set(s, 31 + ch, ch ? 50.0f : 200.0f);  // Qmax
    Set(s, 30 + ch, 0.1f);                 // D, m
    Set(s, 29 + ch, 0.128f);               // ld, m
    Set(s, 28 + ch, 4.0f);                 // cut-off, in Qmax units
    Set(s, 26 + ch, 15.0f);
    Set(s, 25 + ch, 1.003f);
    Set(s, 51 + ch, -1.8f);
    Set(s, 57 + ch, 36.0f);
    Set(s, 60 + ch, 51.83f);
    Set(s, 61 + ch, 41.72f);
  }
  Set(s, 27, 80.0f);
  Set(s, 127, 1000.0f);
  return s;
}

}  // namespace

TEST(ParameterSheet, LinesByteForByte) {
  const std::vector<std::string> expected = {
      "                1-канал  2-канал",
      "2.Qmax,м3*час=  200,0000 =50,0000",
      "3.D,мм       =  100,0000 =100,0000",
      "4.ld,мм      =  128,0000 =128,0000",
      "5.Отсечка,%  =  2,0000 =8,0000",
      "6.Tусред,с   =  5,0000 =80,0000",
      "7.Тсмещ.,мкс =  -1,8000 =-1,8000",
      "9.L кабеля,м =  15,0000 =15,0000",
      "0.К корекции =  1,0030 =1,0030",
      "F.Вес  л/имп.=  10,0000 =10,0000",
      "t1           =  51,8300 51,8300",
      "t2           =  41,7200 41,7200",
  };
  EXPECT_EQ(ParameterSheet(TwoChannels()), expected);
}

TEST(ParameterSheet, AveragingCodesBecomeSeconds) {
  const std::pair<float, const char*> cases[] = {
      {1, "0,0200"}, {1.5f, "0,0400"}, {80, "5,0000"}, {1000, "80,0000"},
      {2.5f, "2,5000"}, {0, "0,0000"}, {7, "7,0000"}};
  for (const auto& [code, text] : cases) {
    RecordStore s = TwoChannels();
    Set(s, 27, code);
    EXPECT_EQ(ParameterSheet(s)[5], std::string("6.Tусред,с   =  ") + text + " =80,0000") << code;
  }
}

TEST(ParameterSheet, AChannelWithoutQmaxSaysSoAndKeepsTheRest) {
  RecordStore s = TwoChannels();
  Set(s, 131, 0.0f);
  const auto sheet = ParameterSheet(s);
  EXPECT_EQ(sheet[4], "5.Отсечка,%  =  2,0000 =нет: Qmax=0");
  EXPECT_EQ(sheet[1], "2.Qmax,м3*час=  200,0000 =0,0000");
  EXPECT_EQ(sheet.size(), 12u);
}

TEST(ParameterSheet, NumberTextIgnoresTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "ru_RU.UTF-8");  // may not exist; then the C locale stays
  const std::pair<double, const char*> cases[] = {
      {0.02f, "0,0200"}, {12.34567, "12,3457"}, {-0.00004, "0,0000"}, {1e9, "1000000000,0000"},
      {123456789.98765, "123456790,0000"}};  // ten significant digits first
  for (const auto& [v, text] : cases) EXPECT_EQ(SheetNumber(v), text) << v;
  std::setlocale(LC_NUMERIC, saved.c_str());
}
