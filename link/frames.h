#pragma once
// The two request forms the meter understands: the short ASCII command ("#", address, command
// character, checksum, CR) with its ">" reply, and the 11-byte binary exchange frame.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace devlink {

// --- ASCII command frame ---

// "#", the address as two upper-case hex digits, the command character, the two hex digits
// of the sum of those four characters, CR: seven characters.
std::string AsciiRequest(std::uint8_t address, char command);

// The value text of a '>' reply as the monitor reads it: ">" becomes a blank and the text is
// cut after its eighth character. `commaFromDot` replaces the first "." of the whole reply by
// "," first (values 0 and 1). nullopt when the reply does not begin with ">".
std::optional<std::string> AsciiReplyText(std::string reply, bool commaFromDot);

// A decimal number with the comma as separator: blanks around, optional sign, digits with at
// most one comma, optional exponent. nullopt when the text is not such a number.
std::optional<double> ParseCommaNumber(std::string_view text);

// --- Binary exchange frame ---

constexpr std::size_t kFrameSize = 11;
using Frame = std::array<std::uint8_t, kFrameSize>;

// Sum of bytes 0 to 8 and byte 10, modulo 256.
std::uint8_t FrameChecksum(const Frame& f);

// A request: "#", address, command, position low and high, four data bytes (least significant
// first), checksum, CR.
Frame BinaryRequest(std::uint8_t address, std::uint8_t command, std::uint16_t position,
                    std::uint32_t data);

// A reply is good when its byte 9 is the checksum of the rest; nothing else is compared.
bool ReplyChecksumOk(const Frame& reply);
// Bytes 5 to 8, least significant first.
std::uint32_t ReplyValue(const Frame& reply);

Frame FrameFromBytes(std::string_view bytes);  // the first 11 bytes
std::string FrameBytes(const Frame& f);

// The bit pattern of a single-precision value, and back.
std::uint32_t FloatBits(float v);
float BitsFloat(std::uint32_t bits);

}  // namespace devlink
