// The archive range of arcgsm: day slots by month bank, the fourth bank's wrap, the monthly
// area, day counts that are refused, and intervals shortened to the end of the ring.
#include <gtest/gtest.h>

#include "archive/range_selection.h"
#include "platform/errors.h"

using namespace archive;

TEST(RangeSelection, IntervalsByBankAndDayCount) {
  struct Case {
    int month, day;
    const char* days;
    std::uint16_t start;
    std::int32_t end;
    int records;
    bool shortened;
  };
  const Case cases[] = {
      {1, 1, "1", 0, 128, 128, false},
      {8, 15, "1", 6848, 6976, 128, false},
      {2, 10, "4", 2560, 2880, 320, false},
      // The fourth bank goes around the ring: 7680 to 8000, then 0 to 319. The gauge counts
      // every record read.
      {8, 28, "5", 7680, 320, 641, false},
      // Day 31 of bank 2 with 35 days would end at 8192, above the ring: it stops at 8000.
      {3, 31, "35", 5888, 0, 2113, true},
      {1, 1, "0", 0, 64, 64, false},
      // Months four apart share a bank.
      {5, 1, "1", 0, 128, 128, false},
      {9, 1, "1", 0, 128, 128, false},
      {6, 3, "0", 2112, 2176, 64, false},
      {10, 3, "0", 2112, 2176, 64, false},
      {7, 2, "2", 4032, 4224, 192, false},
      {11, 2, "2", 4032, 4224, 192, false},
      {4, 1, "0", 5952, 6016, 64, false},
      {12, 1, "0", 5952, 6016, 64, false},
      // Bank 3 wraps already when day + count + 1 is 31.
      {8, 20, "10", 7168, 128, 8001 - 7168 + 128, false},
      {8, 30, "0", 7808, 128, 8001 - 7808 + 128, false},
      {8, 19, "10", 7104, 7808, 704, false},
      // Counts past the ring: stop at 8000, or in bank 3 go around the ring once at most.
      {1, 1, "200", 0, 0, 8001, true},
      {1, 1, "100000", 0, 0, 8001, true},
      {2, 1, "9999999999", 1984, 0, 8001 - 1984, true},
      {4, 1, "120", 5952, 5952, 8001, true},
      {12, 31, "100000", 7872, 7872, 8001, true},
      {4, 1, "119", 5952, 5888, 8001 - 5952 + 5888, false},
      // Blanks around the number are read as the platform reads numbers.
      {1, 2, " 2 ", 64, 256, 192, false},
  };
  for (const auto& c : cases) {
    const ArchiveRange r = IntervalRange(c.month, c.day, c.days);
    const std::string where =
        std::to_string(c.month) + "/" + std::to_string(c.day) + " +" + c.days;
    EXPECT_EQ(r.start, c.start) << where;
    EXPECT_EQ(r.end, c.end) << where;
    EXPECT_EQ(r.records, c.records) << where;
    EXPECT_EQ(r.shortened, c.shortened) << where;
  }
}

TEST(RangeSelection, ByMonthsIsTheMonthlyAreaWhateverTheDate) {
  const ArchiveRange r = MonthsRange();
  EXPECT_EQ(r.start, 8256);
  EXPECT_EQ(r.end, 9344);
  EXPECT_EQ(r.records, 1088);
  EXPECT_FALSE(r.shortened);
}

TEST(RangeSelection, DayCountsThatAreNoCountAreRefusedWithAMessage) {
  const std::pair<const char*, const char*> cases[] = {
      {"abc", "«abc»"},
      {"", "«»"},
      {"1.5", "«1.5»"},
      {"-5", "отрицательным"},
      {"-1", "отрицательным"},
      {"99999999999999999999", "«99999999999999999999»"},
  };
  for (const auto& [text, says] : cases) {
    try {
      IntervalRange(8, 15, text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const platform::ConversionError& e) {
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  }
}
