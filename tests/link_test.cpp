// The ASCII command frame and the binary exchange frame.
#include <gtest/gtest.h>

#include "link/frames.h"

using namespace devlink;

namespace {
std::string Hex(const Frame& f) {
  static const char* d = "0123456789ABCDEF";
  std::string s;
  for (auto b : f) {
    if (!s.empty()) s += ' ';
    s += d[b >> 4];
    s += d[b & 15];
  }
  return s;
}
}  // namespace

TEST(AsciiRequest, ChecksumsAndAddresses) {
  struct Case { int address; char command; const char* expected; };
  const Case cases[] = {
      {0, '0', "#000B3\r"},
      {255, 'F', "#FFFF5\r"},
      {1, 'B', "#01BC6\r"},
      {300 % 256, '0', "#2C0C8\r"},  // an entered 300 is kept modulo 256
      {0, 'F', "#00FC9\r"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AsciiRequest(static_cast<std::uint8_t>(c.address), c.command), c.expected)
        << c.address << c.command;
}

TEST(AsciiReply, ValueTextAndParse) {
  struct Case { const char* reply; bool commaFromDot; std::optional<double> value; };
  const Case cases[] = {
      {">0012.34abc", true, 12.34},
      {">0012.34abc", false, std::nullopt},  // values 2 to 11 keep the "." and fail
      {">  12345xyz", true, 12345.0},
      {">  12345xyz", false, 12345.0},
      {">-1,5E+2   ", false, -150.0},
      {">  +0,25   ", false, 0.25},
      {">   ,      ", false, 0.0},
      {">  1,2,3   ", false, std::nullopt},
      {">  1E      ", false, std::nullopt},
      {">  abc     ", false, std::nullopt},
      {">1E999    ", false, std::nullopt},  // out of range is not a number
      {">  1,      ", false, 1.0},
      {">          ", false, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto text = AsciiReplyText(c.reply, c.commaFromDot);
    ASSERT_TRUE(text.has_value()) << c.reply;
    EXPECT_EQ(text->size(), 8u);
    EXPECT_EQ(ParseCommaNumber(*text), c.value) << c.reply;
  }
  EXPECT_FALSE(AsciiReplyText("<0012.34abc", true).has_value());
  EXPECT_FALSE(AsciiReplyText("", true).has_value());
}

TEST(BinaryRequest, WorkedRequests) {
  struct Case { int address, command, position; std::uint32_t data; const char* expected; };
  const Case cases[] = {
      {0, 3, 0, 0, "23 00 03 00 00 00 00 00 00 33 0D"},
      {1, 1, 0, FloatBits(1234.1f), "23 01 01 00 00 33 43 9A 44 86 0D"},
      {5, 0, 0, 908151430, "23 05 00 00 00 86 4A 21 36 5C 0D"},
      {1, 6, 8256, 0, "23 01 06 40 20 00 00 00 00 97 0D"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Hex(BinaryRequest(static_cast<std::uint8_t>(c.address),
                                static_cast<std::uint8_t>(c.command),
                                static_cast<std::uint16_t>(c.position), c.data)),
              c.expected);
  EXPECT_EQ(FloatBits(1234.1f), 0x449A4333u);
}

TEST(BinaryReply, ChecksumIncludesTheTrailerAndIgnoresTheHeader) {
  Frame good = BinaryRequest(7, 6, 100, 0x11223344);
  EXPECT_TRUE(ReplyChecksumOk(good));
  EXPECT_EQ(ReplyValue(good), 0x11223344u);
  Frame foreign = good;
  foreign[0] = '>';  // another header: still good when the sum holds
  foreign[9] = FrameChecksum(foreign);
  EXPECT_TRUE(ReplyChecksumOk(foreign));
  Frame bad = good;
  bad[6] ^= 1;
  EXPECT_FALSE(ReplyChecksumOk(bad));
  Frame trailer = good;
  trailer[10] = 0x0A;  // the trailer takes part in the sum
  EXPECT_FALSE(ReplyChecksumOk(trailer));
  // bytes 0..8 summing to S with a CR trailer: byte 9 is (S + 13) mod 256
  Frame f{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0x0D};
  EXPECT_EQ(FrameChecksum(f), (45 + 13) % 256);
}
