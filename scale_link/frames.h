// The scale's frames: building command frames and decoding what the scale sends.
// Pure functions with no I/O and no allocation, shared by every platform.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace scale_link {

constexpr std::uint8_t STX = 0x02;
constexpr std::uint8_t ETX = 0x03;

constexpr std::uint8_t CMD_ZERO = 0x02;
constexpr std::uint8_t CMD_TARE = 0x03;
constexpr std::uint8_t CMD_PRESET_TARE = 0x04;
constexpr std::uint8_t CMD_OVERFLOW_ALARM = 0x50;
constexpr std::uint8_t REPLY_TARE = 0x05;
constexpr std::uint8_t REPLY_WEIGHT = 0x12;

constexpr std::uint32_t FLAG_O = 0x01;
constexpr std::uint32_t FLAG_S = 0x02;
constexpr std::uint32_t FLAG_L = 0x04;
constexpr std::uint32_t FLAG_Z = 0x08;
constexpr std::uint32_t FLAG_M = 0x10;
constexpr std::uint32_t FLAG_NEGATIVE = 0x20;

constexpr std::size_t SHORT_FRAME_SIZE = 8;
constexpr std::size_t WEIGHT_FRAME_SIZE = 26;
constexpr std::size_t READ_SIZE = 256;
// "W:%d T:%u S:%u Z:%u L:%u M:%u O:%u " is at most 92 characters.
constexpr std::size_t WEIGHT_TEXT_MAX = 92;

using short_frame = std::array<std::uint8_t, SHORT_FRAME_SIZE>;

// Low 8 bits of the sum of n bytes.
std::uint8_t frame_checksum(const std::uint8_t* bytes, std::size_t n);

// STX, code, value least significant byte first, checksum of bytes 0-5, ETX.
short_frame build_short_frame(std::uint8_t code, std::uint32_t value);

struct short_reply {
  std::uint8_t code;
  std::uint32_t value;
};

// An 8-byte frame from the scale; false when its checksum is wrong.
bool decode_short_frame(const std::uint8_t* frame, short_reply& out);

struct weight_reading {
  std::uint32_t weight;  // magnitude of W
  std::int32_t tare;
  std::uint32_t flags;
  char text[WEIGHT_TEXT_MAX + 1];
};

// A 26-byte weight frame: checksum, then the seven numbers "%d %u %u %u %u %u %u" of bytes 1-23.
// False when the checksum is wrong, fewer than seven numbers are there, or a number does not fit
// its 32-bit type (W signed, the others unsigned).
bool decode_weight_frame(const std::uint8_t* frame, weight_reading& out);

// Formats "W:%d T:%u S:%u Z:%u L:%u M:%u O:%u " into out (at least WEIGHT_TEXT_MAX + 1 bytes).
void format_weight_text(std::int32_t w, const std::uint32_t rest[6], char* out);

// Finds the frames of one read: an STX whose byte 7 further on is ETX is a short frame, else an
// STX whose byte 25 further on is ETX is a weight frame; the scan steps over a frame whether or not
// it is then accepted. Only bytes [0, n) are looked at.
template <class OnShort, class OnWeight>
void scan_read(const std::uint8_t* buf, std::size_t n, OnShort&& on_short, OnWeight&& on_weight) {
  std::size_t p = 0;
  while (p < n) {
    if (buf[p] != STX) {
      p += 1;
    } else if (p + SHORT_FRAME_SIZE <= n && buf[p + SHORT_FRAME_SIZE - 1] == ETX) {
      on_short(buf + p);
      p += SHORT_FRAME_SIZE;
    } else if (p + WEIGHT_FRAME_SIZE <= n && buf[p + WEIGHT_FRAME_SIZE - 1] == ETX) {
      on_weight(buf + p);
      p += WEIGHT_FRAME_SIZE;
    } else {
      p += 1;
    }
  }
}

}  // namespace scale_link
