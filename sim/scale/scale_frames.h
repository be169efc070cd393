// What a scale sends and receives, built byte by byte on the scale's side. Written apart from the
// library's own frame code on purpose, so that a fault there cannot hide itself in the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scale_sim {

using bytes = std::vector<std::uint8_t>;

struct weight_values {
  std::int32_t w = 0;
  std::uint32_t t = 0, s = 0, z = 0, l = 0, m = 0, o = 0;
};

// 26-byte weight frame: STX, 23 characters of text, checksum of bytes 0-23, ETX. The text is
// padded with blanks (or cut) to 23 characters.
bytes weight_frame_from_text(const std::string& text);
// The seven numbers as the scale writes them, "%d %u %u %u %u %u %u" in fixed-width fields.
bytes weight_frame(const weight_values& v);
// 8-byte frame: STX, code, value least significant byte first, checksum of bytes 0-5, ETX.
bytes short_frame(std::uint8_t code, std::uint32_t value);
// REPLY_WEIGHT: 24-bit magnitude and the status byte.
bytes reply_weight_frame(std::uint32_t magnitude, std::uint8_t status);

// Sum of bytes [from, to) in 8 bits.
std::uint8_t sum8(const bytes& b, std::size_t from, std::size_t to);

bytes concat(std::initializer_list<bytes> parts);
std::string hex(const bytes& b);

constexpr std::uint8_t CODE_ZERO = 0x02, CODE_TARE = 0x03, CODE_PRESET_TARE = 0x04,
                       CODE_ALARM = 0x50, CODE_REPLY_TARE = 0x05, CODE_REPLY_WEIGHT = 0x12;

}  // namespace scale_sim
