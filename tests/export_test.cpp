// The archive export: the nine reports, their fields, increments, order and bars.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/record_store.h"
#include "export/export.h"
#include "export/fields.h"
#include "platform/text.h"

using namespace report;

namespace {

using Store = std::vector<std::uint32_t>;
using Files = std::array<std::string, kReportFileCount>;
using Hours = std::array<std::uint32_t, 24>;

constexpr ExportOptions kArcread{true, true, true};

Store EmptyStore() { return archive::RecordStore().ArchiveValues; }

Hours HourReadings(const std::function<std::uint32_t(std::uint32_t)>& reading) {
  Hours hours;
  for (std::uint32_t h = 0; h < 24; ++h) hours[h] = reading(h);
  return hours;
}

struct DaySlot {
  std::size_t slot;
  std::uint32_t stamp;
  Hours readings1;
  Hours readings2;
  std::uint32_t t1, t2;
  std::uint32_t pointCode1, pointCode2;
};

void Put(Store& store, const DaySlot& day) {
  const std::size_t base = day.slot * 64;
  for (std::size_t h = 0; h < 24; ++h) {
    store[base + 2 * h] = day.readings1[h];
    store[base + 2 * h + 1] = day.readings2[h];
  }
  store[base + 48] = day.stamp;
  store[base + 49] = day.t1;
  store[base + 50] = day.t2;
  store[base + 51] = 777;  // words the export does not read
  store[base + 54] = 888;
  store[base + 52] = day.pointCode1;
  store[base + 53] = day.pointCode2;
}

struct MonthEntry {
  std::size_t slot, entry;
  std::uint32_t stamp, reading1, reading2, t1, t2;
};

void Put(Store& store, const MonthEntry& month) {
  const std::size_t base = month.slot * 64 + month.entry * 5;
  store[base] = month.stamp;
  store[base + 1] = month.reading1;
  store[base + 2] = month.reading2;
  store[base + 3] = month.t1;
  store[base + 4] = month.t2;
}

void PutMonthCodes(Store& store, std::size_t slot, std::uint32_t code1, std::uint32_t code2) {
  store[slot * 64 + 62] = code1;
  store[slot * 64 + 63] = code2;
}

// Expected file text: UTF-8 lines, each closed by CR LF.
std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (const auto line : lines) (text += line) += "\r\n";
  return text;
}

std::string Text(const Files& files, ReportFile file) {
  return platform::FromCp1251(files[static_cast<std::size_t>(file)]);
}

// Line `index` of a file, without its CR LF, as Windows-1251 bytes.
std::string LineOf(const Files& files, ReportFile file, std::size_t index) {
  const std::string& text = files[static_cast<std::size_t>(file)];
  std::size_t begin = 0;
  for (std::size_t i = 0; i < index; ++i) begin = text.find("\r\n", begin) + 2;
  return text.substr(begin, text.find("\r\n", begin) - begin);
}

// A number's text right-aligned in a field of `width`.
std::string Field(std::string_view number, std::size_t width) {
  return std::string(width - std::min(width, number.size()), ' ') + std::string(number);
}

// The first `count` lines of a text, with their CR LF.
std::string FirstLines(const std::string& text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < count; ++i) end = text.find("\r\n", end) + 2;
  return text.substr(0, end);
}

std::size_t LineCount(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++count;
  return count;
}

// One day slot of 15 October 2009 (stamped 12:30) and a month slot with three entries.
Store SmallStore() {
  Store store = EmptyStore();
  Hours readings2 = HourReadings([](std::uint32_t h) { return 500 + 2 * h; });
  readings2[7] = 0;    // no reading: increment 0, chain goes on
  readings2[10] = 515;  // lower than the hour before
  Put(store, DaySlot{45, 910151230, HourReadings([](std::uint32_t h) {
                       return h < 12 ? 1000000 + 2000 * h : 1022000 + 4000 * (h - 11);
                     }),
                     readings2, 123456, 7890, 1, 3});
  Put(store, MonthEntry{130, 0, 907010000, 5000000, 20000, 100000, 200050});
  Put(store, MonthEntry{130, 1, 0, 1, 1, 1, 1});
  Put(store, MonthEntry{130, 2, 908150000, 5600000, 23456, 172800, 272800});
  Put(store, MonthEntry{130, 3, 906010000, 4500000, 0, 90000, 150000});
  PutMonthCodes(store, 130, 1, 2);
  return store;
}

}  // namespace

TEST(ExportArchive, SmallStoreGivesAllNineFiles) {
  const Files files = ExportArchive(SmallStore(), kArcread);
  const std::array<std::string, kReportFileCount> expected = {
      // HourCounter
      Lines({
        "архив счетчиков по часам",
        "Дата       Время   Счетчик №1  Счетчик №2",
        "2009.10.15  0:00    1000.000       50.000    ",
        "2009.10.15  1:00    1002.000       50.200    ",
        "2009.10.15  2:00    1004.000       50.400    ",
        "2009.10.15  3:00    1006.000       50.600    ",
        "2009.10.15  4:00    1008.000       50.800    ",
        "2009.10.15  5:00    1010.000       51.000    ",
        "2009.10.15  6:00    1012.000       51.200    ",
        "2009.10.15  7:00    1014.000        0.000    ",
        "2009.10.15  8:00    1016.000       51.600    ",
        "2009.10.15  9:00    1018.000       51.800    ",
        "2009.10.15 10:00    1020.000       51.500    ",
        "2009.10.15 11:00    1022.000       52.200    ",
        "2009.10.15 12:00    1026.000       52.400    ",
        "2009.10.15 13:00    1030.000       52.600    ",
        "2009.10.15 14:00    1034.000       52.800    ",
        "2009.10.15 15:00    1038.000       53.000    ",
        "2009.10.15 16:00    1042.000       53.200    ",
        "2009.10.15 17:00    1046.000       53.400    ",
        "2009.10.15 18:00    1050.000       53.600    ",
        "2009.10.15 19:00    1054.000       53.800    ",
        "2009.10.15 20:00    1058.000       54.000    ",
        "2009.10.15 21:00    1062.000       54.200    ",
        "2009.10.15 22:00    1066.000       54.400    ",
        "2009.10.15 23:00    1070.000       54.600    ",
        "Время наработки T1=    1234.6 T2=      78.9",
        ">",
      }),
      // Hour
      Lines({
        "АРХИВ ЧАСОВЫХ ЗНАЧЕНИЙ",
        "Дата       Время    КАНАЛ №1   КАНАЛ №2   Счетчик №1   Счетчик №2",
        "2009.10.15  0:00   1000.000     50.000    1000.000      50.000",
        "2009.10.15  1:00      2.000      0.200    1002.000      50.200",
        "2009.10.15  2:00      2.000      0.200    1004.000      50.400",
        "2009.10.15  3:00      2.000      0.200    1006.000      50.600",
        "2009.10.15  4:00      2.000      0.200    1008.000      50.800",
        "2009.10.15  5:00      2.000      0.200    1010.000      51.000",
        "2009.10.15  6:00      2.000      0.200    1012.000      51.200",
        "2009.10.15  7:00      2.000      0.000    1014.000       0.000",
        "2009.10.15  8:00      2.000      0.400    1016.000      51.600",
        "2009.10.15  9:00      2.000      0.200    1018.000      51.800",
        "2009.10.15 10:00      2.000     -0.300    1020.000      51.500",
        "2009.10.15 11:00      2.000      0.700    1022.000      52.200",
        "2009.10.15 12:00      4.000      0.200    1026.000      52.400",
        "2009.10.15 13:00      4.000      0.200    1030.000      52.600",
        "2009.10.15 14:00      4.000      0.200    1034.000      52.800",
        "2009.10.15 15:00      4.000      0.200    1038.000      53.000",
        "2009.10.15 16:00      4.000      0.200    1042.000      53.200",
        "2009.10.15 17:00      4.000      0.200    1046.000      53.400",
        "2009.10.15 18:00      4.000      0.200    1050.000      53.600",
        "2009.10.15 19:00      4.000      0.200    1054.000      53.800",
        "2009.10.15 20:00      4.000      0.200    1058.000      54.000",
        "2009.10.15 21:00      4.000      0.200    1062.000      54.200",
        "2009.10.15 22:00      4.000      0.200    1066.000      54.400",
        "2009.10.15 23:00      4.000      0.200    1070.000      54.600",
      }),
      // Day
      Lines({
        "АРХИВ СУТОЧНЫЙ",
        "Дата       Время    КАНАЛ №1   КАНАЛ №2   Счетчик №1  Счетчик №2  Наработка1 Наработка2",
        "                                                                       (за сутки)",
        "2009.10.15  0:00   1000.000     50.000    1000.000      50.000    1234.56      78.90",
      }),
      // MonthCounter
      Lines({
        "архив счетчиков по месяцам",
        "Дата    Время     КАНАЛ №1  КАНАЛ №2           T1         T2",
        "2009. 7 00:00    5000.000     200.000    1000.00    2000.50 ",
        "2009. 8 00:00    5600.000     234.560    1728.00    2728.00 ",
        "2009. 6 00:00    4500.000       0.000     900.00    1500.00 ",
      }),
      // Month
      Lines({
        "АРХИВ ЗНАЧЕНИЙ ПО МЕСЯЦАМ",
        "Дата    Время     КАНАЛ №1  КАНАЛ №2   Счетчик №1  Счетчик №2       T1         T2",
        "2009. 6 00:00   4500.000      0.000    4500.000       0.000       900.0      1500.0",
        "2009. 7 00:00    500.000    200.000    5000.000     200.000      1000.0      2000.5",
        "2009. 8 00:00    600.000     34.560    5600.000     234.560      1728.0      2728.0",
      }),
      // HourGraph1
      Lines({
        "АРХИВ ЧАСОВЫХ ЗНАЧЕНИЙ С ГРАФИЧЕСКИМ ПРЕДСТАВЛЕНИЕМ ДАННЫХ - КАНАЛ №1",
        "Дата       Время                                                            КАНАЛ №1   Счетчик №1",
        "2009.10.15  0:00 |-                   НЕТ   ДАННЫХ                  -  :   1000.000    1000.000",
        "2009.10.15  1:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1002.000",
        "2009.10.15  2:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1004.000",
        "2009.10.15  3:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1006.000",
        "2009.10.15  4:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1008.000",
        "2009.10.15  5:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1010.000",
        "2009.10.15  6:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1012.000",
        "2009.10.15  7:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1014.000",
        "2009.10.15  8:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1016.000",
        "2009.10.15  9:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1018.000",
        "2009.10.15 10:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1020.000",
        "2009.10.15 11:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ--------------------------  :      2.000    1022.000",
        "2009.10.15 12:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1026.000",
        "2009.10.15 13:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1030.000",
        "2009.10.15 14:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1034.000",
        "2009.10.15 15:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1038.000",
        "2009.10.15 16:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1042.000",
        "2009.10.15 17:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1046.000",
        "2009.10.15 18:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1050.000",
        "2009.10.15 19:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1054.000",
        "2009.10.15 20:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1058.000",
        "2009.10.15 21:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1062.000",
        "2009.10.15 22:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1066.000",
        "2009.10.15 23:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      4.000    1070.000",
      }),
      // HourGraph2
      Lines({
        "АРХИВ ЧАСОВЫХ ЗНАЧЕНИЙ С ГРАФИЧЕСКИМ ПРЕДСТАВЛЕНИЕМ ДАННЫХ - КАНАЛ №2",
        "Дата       Время                                                            КАНАЛ №2   Счетчик №2",
        "2009.10.15  0:00 |-                   НЕТ   ДАННЫХ                  -  :     50.000      50.000",
        "2009.10.15  1:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      50.200",
        "2009.10.15  2:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      50.400",
        "2009.10.15  3:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      50.600",
        "2009.10.15  4:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      50.800",
        "2009.10.15  5:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      51.000",
        "2009.10.15  6:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      51.200",
        "2009.10.15  7:00 |-                   НЕТ   ДАННЫХ                  -  :      0.000       0.000",
        "2009.10.15  8:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ----------------------  :      0.400      51.600",
        "2009.10.15  9:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      51.800",
        "2009.10.15 10:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ------------------------------  :     -0.300      51.500",
        "2009.10.15 11:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-  :      0.700      52.200",
        "2009.10.15 12:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      52.400",
        "2009.10.15 13:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      52.600",
        "2009.10.15 14:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      52.800",
        "2009.10.15 15:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      53.000",
        "2009.10.15 16:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      53.200",
        "2009.10.15 17:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      53.400",
        "2009.10.15 18:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      53.600",
        "2009.10.15 19:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      53.800",
        "2009.10.15 20:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      54.000",
        "2009.10.15 21:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      54.200",
        "2009.10.15 22:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      54.400",
        "2009.10.15 23:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ-------------------------------------  :      0.200      54.600",
      }),
      // DayGraph1
      Lines({
        "АРХИВ СУТОЧНЫХ ЗНАЧЕНИЙ С ГРАФИЧЕСКИМ ПРЕДСТАВЛЕНИЕМ ДАННЫХ - КАНАЛ №1",
        "Дата       Время                                                           КАНАЛ №1   Счетчик №1  Наработка1",
        "2009.10.15  0:00 |-                   НЕТ   ДАННЫХ                  -  :   1000.000    1000.000    1234.56",
      }),
      // DayGraph2
      Lines({
        "АРХИВ СУТОЧНЫХ ЗНАЧЕНИЙ С ГРАФИЧЕСКИМ ПРЕДСТАВЛЕНИЕМ ДАННЫХ - КАНАЛ №2",
        "Дата       Время                                                           КАНАЛ №2   Счетчик №2  Наработка2",
        "2009.10.15  0:00 |-                   НЕТ   ДАННЫХ                  -  :     50.000      50.000      78.90",
      }),
  };
  for (std::size_t i = 0; i < kReportFileCount; ++i)
    EXPECT_EQ(platform::FromCp1251(files[i]), expected[i]) << ReportFiles()[i].suffix;
}

TEST(ExportArchive, DailyRowsSpanFromTheLastPrintedDay) {
  // 14, 15 and 17 October: channel 1 in whole units, channel 2 in hundredths with no reading
  // at hour 0 of the 15th, so the 17th is compared with the 14th.
  Store store = EmptyStore();
  for (const std::uint32_t day : {14u, 15u, 17u}) {
    const std::uint32_t index = day - 14;
    Hours readings2 = HourReadings([&](std::uint32_t h) { return 20000 + 50 * (index * 24 + h); });
    if (day == 15) readings2[0] = 0;
    Put(store, DaySlot{30 + day, 910000000 + day * 10000,
                       HourReadings([&](std::uint32_t h) { return 1000 + 10 * (index * 24 + h); }),
                       readings2, 100000 + 2400 * index, 50000 + 2350 * index, 4, 2});
  }
  const Files files = ExportArchive(store, kArcread);
  EXPECT_EQ(Text(files, ReportFile::Day),
            Lines({
              "АРХИВ СУТОЧНЫЙ",
              "Дата       Время    КАНАЛ №1   КАНАЛ №2   Счетчик №1  Счетчик №2  Наработка1 Наработка2",
              "                                                                       (за сутки)",
              "2009.10.14  0:00   1000.000    200.000    1000.000     200.000    1000.00     500.00",
              "2009.10.15  0:00    240.000      0.000    1240.000       0.000      24.00      23.50",
              "2009.10.17  0:00    480.000     36.000    1720.000     236.000      48.00      47.00",
            }));
  EXPECT_EQ(Text(files, ReportFile::DayGraph2),
            Lines({
              "АРХИВ СУТОЧНЫХ ЗНАЧЕНИЙ С ГРАФИЧЕСКИМ ПРЕДСТАВЛЕНИЕМ ДАННЫХ - КАНАЛ №2",
              "Дата       Время                                                           КАНАЛ №2   Счетчик №2  Наработка2",
              "2009.10.14  0:00 |-                   НЕТ   ДАННЫХ                  -  :    200.000     200.000     500.00",
              "2009.10.15  0:00 |-                   НЕТ   ДАННЫХ                  -  :      0.000       0.000      23.50",
              "2009.10.17  0:00 |ЖЖЖЖЖЖ---------------------------------------------  :     36.000     236.000      47.00",
            }));
}

TEST(ExportArchive, EqualStampsPutTheLaterCollectedFirst) {
  // Slots 44 and 48 both hold 15 October, slot 46 holds the 16th; channel 2 has no readings.
  Store store = EmptyStore();
  const Hours none{};
  Put(store, DaySlot{44, 910150000, HourReadings([](std::uint32_t h) { return 1000 + 2 * h; }),
                     none, 1000, 500, 4, 4});
  Put(store, DaySlot{46, 910160000, HourReadings([](std::uint32_t h) { return 1047 + h; }), none,
                     3400, 700, 4, 4});
  Put(store, DaySlot{48, 910150000, HourReadings([](std::uint32_t h) { return 999 + 2 * h; }),
                     none, 900, 400, 4, 4});
  const Files files = ExportArchive(store, kArcread);

  // The counter file keeps slot order: 15th, 16th, 15th.
  const std::pair<std::size_t, const char*> blocks[] = {
      {0, "2009.10.15"}, {1, "2009.10.16"}, {2, "2009.10.15"}};
  for (const auto& [block, date] : blocks)
    EXPECT_EQ(LineOf(files, ReportFile::HourCounter, 2 + 27 * block).substr(0, 10), date);

  // Each hour of slot 48 comes right before the same hour of slot 44.
  EXPECT_EQ(FirstLines(Text(files, ReportFile::Hour), 6),
            Lines({
              "АРХИВ ЧАСОВЫХ ЗНАЧЕНИЙ",
              "Дата       Время    КАНАЛ №1   КАНАЛ №2   Счетчик №1   Счетчик №2",
              "2009.10.15  0:00    999.000      0.000     999.000       0.000",
              "2009.10.15  0:00      1.000      0.000    1000.000       0.000",
              "2009.10.15  1:00      1.000      0.000    1001.000       0.000",
              "2009.10.15  1:00      1.000      0.000    1002.000       0.000",
            }));

  // Hourly increments are all 1, so the daily scale is 24; from the second 15th to the 16th
  // lie 47 hourly steps: more than 50 marks and no "-".
  EXPECT_EQ(Text(files, ReportFile::DayGraph1),
            Lines({
              "АРХИВ СУТОЧНЫХ ЗНАЧЕНИЙ С ГРАФИЧЕСКИМ ПРЕДСТАВЛЕНИЕМ ДАННЫХ - КАНАЛ №1",
              "Дата       Время                                                           КАНАЛ №1   Счетчик №1  Наработка1",
              "2009.10.15  0:00 |-                   НЕТ   ДАННЫХ                  -  :    999.000     999.000       9.00",
              "2009.10.15  0:00 |ЖЖ-------------------------------------------------  :      1.000    1000.000       1.00",
              "2009.10.16  0:00 |ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ  :     47.000    1047.000      24.00",
            }));
  EXPECT_EQ(Text(files, ReportFile::DayGraph2).find("Ж"), std::string::npos);
}

TEST(Fields, RealAndIntegerFields) {
  struct Case { double value; int width, decimals; const char* expected; };
  const Case reals[] = {
      {12.345, 11, 3, "     12.345"},
      {-0.3, 11, 3, "     -0.300"},
      {0.0, 12, 3, "       0.000"},
      {1234.56, 10, 1, "    1234.6"},                         // raw T1 123456 / 100
      {2.675, 7, 2, "   2.67"},                               // the double lies below 2.675
      {42949672950.0, 12, 3, "42949672950.000"},              // wider than its field: not cut
      {18446744065119617025.0, 12, 3, "18446744065119617024.000"},
      {-123456789.0, 11, 2, "-123456789.00"},
  };
  for (const auto& c : reals) {
    std::string line = "|";
    AppendReal(line, c.value, c.width, c.decimals);
    EXPECT_EQ(line, std::string("|") + c.expected) << c.value;
  }
  struct IntegerCase { std::uint32_t value; int width; const char* expected; };
  const IntegerCase integers[] = {
      {5, 2, " 5"}, {2009, 4, "2009"}, {0, 2, " 0"}, {12345, 2, "12345"}};
  for (const auto& c : integers) {
    std::string line;
    AppendInteger(line, c.value, c.width);
    EXPECT_EQ(line, c.expected) << c.value;
  }
}

namespace {

// Whether the exact value of `v` lies halfway between two numbers of `decimals` decimals.
bool IsExactHalf(double v, int decimals) {
  static char exact[1500];
  const auto end = std::to_chars(exact, exact + sizeof exact, v, std::chars_format::fixed, 1074).ptr;
  const std::string_view s(exact, static_cast<std::size_t>(end - exact));
  const std::string_view rest = s.substr(s.find('.') + 1 + decimals);
  return rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string_view::npos;
}

}  // namespace

TEST(Fields, RealFieldsRoundAHalfAwayFromZero) {
  const struct { double v; int decimals; const char* text; } cases[] = {
      {1.25, 1, "1.3"}, {-1.25, 1, "-1.3"}, {1.75, 1, "1.8"}, {0.125, 2, "0.13"},
      {2.5, 0, "3"}, {9.995, 2, "9.99"},  // 9.995 is a little below the half as a double
      {99.95, 1, "100.0"}, {-0.0625, 3, "-0.063"}, {1234.5, 0, "1235"}};
  for (const auto& c : cases) {
    std::string line;
    AppendReal(line, c.v, 0, c.decimals);
    EXPECT_EQ(line, c.text) << c.v;
  }
}

TEST(Fields, RealFieldsMatchTheExactDecimalConversion) {
  // Readings, increments and operating times of every point code, exact and near halves, and
  // numbers past the fast range: each must print as the correctly rounded conversion does,
  // with exact halves going away from zero.
  std::vector<double> values;
  std::mt19937_64 random(517);
  const double factors[] = {0.001, 0.01, 0.1, 1, 10};
  for (int i = 0; i < 5000; ++i) {
    const auto raw = static_cast<std::uint32_t>(random());
    const auto other = static_cast<std::uint32_t>(random());
    const double factor = factors[i % 5];
    values.push_back(raw * factor);
    values.push_back(raw * factor - other * factor);
    values.push_back(raw / 100.0 - other / 100.0);
    values.push_back(raw % 100000 / 100.0);
  }
  for (int decimals = 0; decimals <= 3; ++decimals)
    for (const double half : {0.5, 1.5, 2.5, 1234.5, 1e9 + 0.5}) {
      const double tie = half / std::pow(10.0, decimals);
      values.insert(values.end(), {tie, -tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300)});
    }
  values.insert(values.end(), {0.0, -0.0, 0x1p52 / 1000 - 0.5, 0x1p52, 1.8446744073709552e19, 1e300});
  for (const double value : values)
    for (int decimals = 0; decimals <= 3; ++decimals) {
      char digits[400];
      const double away = IsExactHalf(value, decimals)
                              ? std::nextafter(value, std::copysign(1e300, value))
                              : value;
      const auto end =
          std::to_chars(digits, digits + sizeof digits, away, std::chars_format::fixed, decimals)
              .ptr;
      std::string line;
      AppendReal(line, value, 0, decimals);
      ASSERT_EQ(line, std::string(digits, end)) << value << " with " << decimals;
    }
}

TEST(Fields, DatePrefixes) {
  struct Case { std::uint32_t stamp; const char* hour; const char* month; };
  const Case cases[] = {
      {908050300, "2009. 8. 5  3:00", "2009. 8 00:00"},
      {910151230, "2009.10.15 12:00", "2009.10 00:00"},
      {910150000, "2009.10.15  0:00", "2009.10 00:00"},
      {4294967294, "2042.94.96 72:00", "2042.94 00:00"},  // decoded as it stands
  };
  for (const auto& c : cases) {
    std::string hour, month;
    AppendHourPrefix(hour, c.stamp);
    AppendMonthPrefix(month, c.stamp);
    EXPECT_EQ(hour, c.hour);
    EXPECT_EQ(month, c.month);
  }
}

TEST(Fields, BarLengthRoundsHalfToEven) {
  struct Case { double increment, scale; std::size_t marks; };
  const Case cases[] = {
      {2.5, 50, 2}, {3.5, 50, 4}, {4.5, 50, 4}, {2.6, 50, 3}, {2.4, 50, 2},
      {2.0, 4.0, 25}, {4.0, 4.0, 50}, {-2.0, 4.0, 25}, {0.0, 1.0, 0}, {51, 50, 51},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BarLength(c.increment, c.scale), c.marks) << c.increment << " / " << c.scale;
}

TEST(Fields, BarFieldMarksOrNoData) {
  const std::string noData = "-                   НЕТ   ДАННЫХ                  -";
  auto marks = [](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += "Ж";
    return s;
  };
  struct Case { double increment, previous, reading, scale; std::string expected; };
  const Case cases[] = {
      {2.0, 10, 12, 4.0, marks(25) + std::string(26, '-')},
      {4.0, 10, 14, 4.0, marks(50) + "-"},
      {0.0, 10, 10, 1.0, std::string(51, '-')},
      {-3.0, 10, 7, 4.0, marks(38) + std::string(13, '-')},  // 37.5 to the even 38
      {51.0, 10, 61, 50.0, marks(51)},
      {70.0, 10, 80, 50.0, marks(70)},
      {12.0, 0, 12, 4.0, noData},  // first reading of the pass
      {0.0, 10, 0, 4.0, noData},   // no reading
  };
  for (const auto& c : cases) {
    std::string line;
    AppendBarField(line, c.increment, c.previous, c.reading, c.scale);
    EXPECT_EQ(platform::FromCp1251(line), c.expected) << c.increment << " / " << c.scale;
  }
}

TEST(ExportArchive, WideNumbersPushTheRestOfTheRow) {
  Store store = EmptyStore();
  const Hours largest = HourReadings([](std::uint32_t) { return 4294967295u; });
  Put(store, DaySlot{45, 910150000, largest, largest, 4294967295u, 0, 5, 1});
  Put(store, MonthEntry{130, 0, 908150000, 1234567891, 5, 100, 100});
  PutMonthCodes(store, 130, 3, 3);
  const Files files = ExportArchive(store, kArcread);
  EXPECT_EQ(LineOf(files, ReportFile::HourCounter, 2),
            "2009.10.15  0:0042949672950.000  4294967.295    ");
  EXPECT_EQ(platform::FromCp1251(LineOf(files, ReportFile::HourCounter, 26)),
            "Время наработки T1=42949673.0 T2=       0.0");
  EXPECT_EQ(LineOf(files, ReportFile::Hour, 2),
            "2009.10.15  0:0042949672950.0004294967.29542949672950.000 4294967.295");
  EXPECT_EQ(LineOf(files, ReportFile::MonthCounter, 2),
            "2009. 8 00:00123456789.100       0.500       1.00       1.00 ");
}

TEST(ExportArchive, PointFactorsOfBothPrograms) {
  struct Case {
    std::uint32_t code;
    const char* arcgsmHourly;
    const char* arcreadHourly;
    const char* monthly;
  };
  const Case cases[] = {
      {0, "12.345", "12.345", "12.345"},
      {1, "12.345", "12.345", "12.345"},
      {2, "123.450", "123.450", "123.450"},
      {3, "1234.500", "1234.500", "1234.500"},
      {4, "12345.000", "12345.000", "12345.000"},
      {5, "123450.000", "123450.000", "123450.000"},
      {6, "0.000", "74070.000", "0.000"},
      {9, "0.000", "111105.000", "0.000"},  // arcread's hourly group takes the code as the factor
  };
  for (const auto& c : cases) {
    Store store = EmptyStore();
    const Hours readings = HourReadings([](std::uint32_t) { return 12345u; });
    Put(store, DaySlot{0, 901010000, readings, readings, 0, 0, c.code, 1});
    Put(store, MonthEntry{130, 0, 901000000, 12345, 12345, 0, 0});
    PutMonthCodes(store, 130, c.code, 1);
    const Files arcgsm = ExportArchive(store, ExportOptions{true, true, false});
    const Files arcread = ExportArchive(store, kArcread);
    const std::pair<const Files*, const char*> programs[] = {{&arcgsm, c.arcgsmHourly},
                                                             {&arcread, c.arcreadHourly}};
    for (const auto& [files, hourly] : programs) {
      EXPECT_EQ(LineOf(*files, ReportFile::HourCounter, 2).substr(16, 12), Field(hourly, 12))
          << c.code;
      // The first hourly row shows the reading itself as its increment.
      EXPECT_EQ(LineOf(*files, ReportFile::Hour, 2).substr(16, 11), Field(hourly, 11)) << c.code;
      EXPECT_EQ(LineOf(*files, ReportFile::MonthCounter, 2).substr(13, 12), Field(c.monthly, 12))
          << c.code;
    }
  }
}

TEST(ExportArchive, IncrementsOverTheLastNonzeroReading) {
  // Channel 1 readings of the first hours (point code 1); later hours read 0.
  struct Case { std::vector<std::uint32_t> readings; std::vector<const char*> increments; };
  const Case cases[] = {
      {{0, 0, 5000, 0, 7000, 6000}, {"0.000", "0.000", "5.000", "0.000", "2.000", "-1.000"}},
      {{3000, 3000, 0, 3000}, {"3.000", "0.000", "0.000", "0.000"}},
      {{1000, 4294967295u, 4294967295u}, {"1.000", "4294966.295", "0.000"}},  // all bits set
  };
  for (const auto& c : cases) {
    Store store = EmptyStore();
    Hours readings{};
    std::copy(c.readings.begin(), c.readings.end(), readings.begin());
    Put(store, DaySlot{0, 901010000, readings, Hours{}, 0, 0, 1, 1});
    const Files files = ExportArchive(store, kArcread);
    for (std::size_t h = 0; h < c.increments.size(); ++h) {
      EXPECT_EQ(LineOf(files, ReportFile::Hour, 2 + h).substr(16, 11), Field(c.increments[h], 11))
          << c.readings[0] << " hour " << h;
    }
  }
}

TEST(ExportArchive, StampsZeroAndAllOnesMarkNoData) {
  Store store = EmptyStore();
  const Hours readings = HourReadings([](std::uint32_t h) { return 1000 + h; });
  Put(store, DaySlot{0, 4294967295u, readings, readings, 100, 100, 1, 1});
  Put(store, DaySlot{1, 0, readings, readings, 100, 100, 1, 1});
  // Day 0 of month 0 of 2000: its hour-0 row has the stamp 0 and is collected but not printed.
  Put(store, DaySlot{2, 30, readings, readings, 100, 100, 1, 1});
  Put(store, MonthEntry{130, 0, 4294967295u, 1000, 1000, 100, 100});
  Put(store, MonthEntry{130, 1, 0, 1000, 1000, 100, 100});
  Put(store, MonthEntry{130, 2, 908000000, 1000, 1000, 100, 100});
  Put(store, MonthEntry{130, 3, 5, 2000, 2000, 100, 100});  // its row's stamp is 0
  PutMonthCodes(store, 130, 1, 1);
  const Files files = ExportArchive(store, kArcread);

  EXPECT_EQ(LineCount(files[0]), 1u + 27u);
  EXPECT_EQ(LineOf(files, ReportFile::HourCounter, 2).substr(0, 16), "2000. 0. 0  0:00");
  EXPECT_EQ(LineCount(Text(files, ReportFile::Hour)), 2u + 23u);
  EXPECT_EQ(LineOf(files, ReportFile::Hour, 2).substr(0, 27), "2000. 0. 0  1:00      1.001");
  EXPECT_EQ(LineCount(Text(files, ReportFile::HourGraph1)), 2u + 23u);
  EXPECT_EQ(LineCount(Text(files, ReportFile::Day)), 3u);
  EXPECT_EQ(LineCount(Text(files, ReportFile::DayGraph2)), 2u);
  EXPECT_EQ(FirstLines(Text(files, ReportFile::MonthCounter), 4).substr(Lines({
                "архив счетчиков по месяцам",
                "Дата    Время     КАНАЛ №1  КАНАЛ №2           T1         T2"}).size()),
            Lines({"2009. 8 00:00       1.000       1.000       1.00       1.00 ",
                   "2000. 0 00:00       2.000       2.000       1.00       1.00 "}));
  EXPECT_EQ(LineCount(Text(files, ReportFile::Month)), 2u + 1u);
  EXPECT_EQ(LineOf(files, ReportFile::Month, 2).substr(0, 13), "2009. 8 00:00");
}

TEST(ExportArchive, OnlyTheGroupsThatRunGetText) {
  const Store store = SmallStore();
  for (const bool hourly : {false, true})
    for (const bool monthly : {false, true}) {
      const Files files = ExportArchive(store, ExportOptions{hourly, monthly, false});
      for (std::size_t i = 0; i < kReportFileCount; ++i) {
        const auto file = static_cast<ReportFile>(i);
        const bool ran =
            file == ReportFile::MonthCounter || file == ReportFile::Month ? monthly : hourly;
        EXPECT_EQ(files[i].empty(), !ran) << ReportFiles()[i].suffix << hourly << monthly;
      }
    }
}

TEST(ExportArchive, StoreWithoutDataGivesHeadingsOnly) {
  const Files files = ExportArchive(EmptyStore(), kArcread);
  EXPECT_EQ(Text(files, ReportFile::HourCounter), Lines({"архив счетчиков по часам"}));
  const std::pair<ReportFile, std::size_t> headings[] = {
      {ReportFile::Hour, 2},       {ReportFile::Day, 3},        {ReportFile::MonthCounter, 2},
      {ReportFile::Month, 2},      {ReportFile::HourGraph1, 2}, {ReportFile::HourGraph2, 2},
      {ReportFile::DayGraph1, 2},  {ReportFile::DayGraph2, 2},
  };
  for (const auto& [file, lines] : headings)
    EXPECT_EQ(LineCount(Text(files, file)), lines) << static_cast<int>(file);
}

TEST(ExportArchive, ShortStoreReadsAsZerosPastItsEnd) {
  Store store(46 * 64);
  const Hours readings = HourReadings([](std::uint32_t h) { return 1000 + h; });
  Put(store, DaySlot{45, 910150000, readings, readings, 100, 100, 1, 1});
  const Files files = ExportArchive(store, kArcread);
  EXPECT_EQ(LineCount(files[0]), 1u + 27u);
  EXPECT_EQ(LineCount(Text(files, ReportFile::MonthCounter)), 2u);
}

TEST(ClosingMemoLines, NameTheReportsInTheArcFolder) {
  EXPECT_EQ(ClosingMemoLines("/home/op/tm517/arc/", "2009_08_15_09_05"),
            (std::vector<std::string>{
                "Архивы записаны на диск:",
                "/home/op/tm517/arc/2009_08_15_09_05_chas.txt -часовой",
                "/home/op/tm517/arc/2009_08_15_09_05_sut.txt -суточный",
                "/home/op/tm517/arc/2009_08_15_09_05_mes.txt - месячный",
            }));
}

namespace {

// Every day slot and every month entry with data: dates in time order, readings rising with a
// ripple.
Store FullStore() {
  Store store = EmptyStore();
  for (std::uint32_t slot = 0; slot < 130; ++slot) {
    const std::uint32_t stamp = 905000000 + slot / 31 * 1000000 + (slot % 31 + 1) * 10000;
    const auto rising = [slot](std::uint32_t step, std::uint32_t ripple) {
      return HourReadings([=](std::uint32_t h) {
        return 100000 + step * (slot * 24 + h) + (h * h % 7) * ripple;
      });
    };
    Put(store, DaySlot{slot, stamp, rising(1500, 100), rising(40, 3), 360000 + slot * 2400,
                       120000 + slot * 2300, 1, 3});
  }
  for (std::uint32_t slot = 130; slot < 149; ++slot) {
    for (std::uint32_t entry = 0; entry < 12; ++entry) {
      const std::uint32_t month = (slot - 130) * 12 + entry;
      Put(store, MonthEntry{slot, entry, 100000000 + month / 12 * 100000000 + (entry + 1) * 1000000,
                            1000000 + month * 720000, 50000 + month * 17000, month * 72000,
                            month * 71000});
    }
    PutMonthCodes(store, slot, 1, 3);
  }
  return store;
}

}  // namespace

TEST(ExportArchive, FullStoreLinesAreWellFormed) {
  const Files files = ExportArchive(FullStore(), kArcread);
  // Rows after the headings, and their length in bytes.
  const std::pair<ReportFile, std::pair<std::size_t, std::size_t>> layouts[] = {
      {ReportFile::Hour, {2, 62}},       {ReportFile::Day, {3, 84}},
      {ReportFile::Month, {2, 83}},      {ReportFile::MonthCounter, {2, 60}},
      {ReportFile::HourGraph1, {2, 95}}, {ReportFile::HourGraph2, {2, 95}},
      {ReportFile::DayGraph1, {2, 106}}, {ReportFile::DayGraph2, {2, 106}},
  };
  for (const auto& [file, layout] : layouts) {
    const auto [headingLines, rowBytes] = layout;
    const std::size_t lines = LineCount(files[static_cast<std::size_t>(file)]);
    for (std::size_t i = headingLines; i < lines; ++i)
      ASSERT_EQ(LineOf(files, file, i).size(), rowBytes) << static_cast<int>(file) << " line " << i;
  }
  EXPECT_EQ(LineCount(files[0]), 1u + 130u * 27u);
  EXPECT_EQ(LineCount(Text(files, ReportFile::Hour)), 2u + 130u * 24u);
  EXPECT_EQ(LineCount(Text(files, ReportFile::DayGraph1)), 2u + 130u);
  EXPECT_EQ(LineCount(Text(files, ReportFile::Month)), 2u + 19u * 12u);

  for (std::size_t i = 0; i < kReportFileCount; ++i) {
    const std::string& text = files[i];
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << i;
    for (std::size_t at = 0; at < text.size(); ++at) {
      if (text[at] == '\r') {
        ASSERT_EQ(text[at + 1], '\n') << i << " at " << at;
      }
      if (text[at] == '\n') {
        ASSERT_EQ(text[at - 1], '\r') << i << " at " << at;
      }
      ASSERT_NE(text[at], '\x98') << i << " at " << at;  // the one byte Windows-1251 leaves out
    }
    EXPECT_EQ(platform::ToCp1251(platform::FromCp1251(text)), text) << i;
  }
}
