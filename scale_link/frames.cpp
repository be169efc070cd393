#include "frames.h"

#include <charconv>
#include <cstring>

namespace scale_link {

std::uint8_t frame_checksum(const std::uint8_t* bytes, std::size_t n) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += bytes[i];
  return static_cast<std::uint8_t>(sum & 0xFFu);
}

short_frame build_short_frame(std::uint8_t code, std::uint32_t value) {
  short_frame f{STX,
                code,
                static_cast<std::uint8_t>(value & 0xFFu),
                static_cast<std::uint8_t>((value >> 8) & 0xFFu),
                static_cast<std::uint8_t>((value >> 16) & 0xFFu),
                static_cast<std::uint8_t>((value >> 24) & 0xFFu),
                0,
                ETX};
  f[6] = frame_checksum(f.data(), 6);
  return f;
}

bool decode_short_frame(const std::uint8_t* frame, short_reply& out) {
  if (frame_checksum(frame, 6) != frame[6]) return false;
  out.code = frame[1];
  out.value = static_cast<std::uint32_t>(frame[2]) | (static_cast<std::uint32_t>(frame[3]) << 8) |
              (static_cast<std::uint32_t>(frame[4]) << 16) |
              (static_cast<std::uint32_t>(frame[5]) << 24);
  return true;
}

namespace {

bool is_c_space(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One scanf-style decimal conversion on [p, end): leading white space, an optional sign, at least
// one digit. Yields the sign and the magnitude; false when no digit follows or the magnitude
// exceeds 2^32 - 1. A NUL ends the text as it would for a C string.
bool scan_number(const std::uint8_t*& p, const std::uint8_t* end, bool& negative,
                 std::uint64_t& magnitude) {
  while (p < end && is_c_space(*p)) ++p;
  negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  if (p == end || *p < '0' || *p > '9') return false;
  magnitude = 0;
  while (p < end && *p >= '0' && *p <= '9') {
    magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
    if (magnitude > 0xFFFFFFFFull) return false;
    ++p;
  }
  return true;
}

char* put_field(char* out, const char* label, std::size_t label_len, const char* num_begin,
                const char* num_end) {
  std::memcpy(out, label, label_len);
  out += label_len;
  const std::size_t len = static_cast<std::size_t>(num_end - num_begin);
  std::memcpy(out, num_begin, len);
  return out + len;
}

}  // namespace

void format_weight_text(std::int32_t w, const std::uint32_t rest[6], char* out) {
  static constexpr const char* labels[7] = {"W:", " T:", " S:", " Z:", " L:", " M:", " O:"};
  char num[16];
  char* p = out;
  auto r = std::to_chars(num, num + sizeof num, w);
  p = put_field(p, labels[0], 2, num, r.ptr);
  for (int i = 0; i < 6; ++i) {
    r = std::to_chars(num, num + sizeof num, rest[i]);
    p = put_field(p, labels[i + 1], 3, num, r.ptr);
  }
  *p++ = ' ';
  *p = '\0';
}

bool decode_weight_frame(const std::uint8_t* frame, weight_reading& out) {
  if (frame_checksum(frame, 24) != frame[24]) return false;

  // Only bytes 1-23 are text; a NUL among them ends it early.
  const std::uint8_t* p = frame + 1;
  const std::uint8_t* end = frame + 24;
  if (const void* nul = std::memchr(p, 0, 23)) end = static_cast<const std::uint8_t*>(nul);

  std::int32_t w = 0;
  std::uint32_t rest[6];  // T, S, Z, L, M, O
  for (int i = 0; i < 7; ++i) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!scan_number(p, end, negative, magnitude)) return false;
    if (i == 0) {
      if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull) return false;
      // Two's complement arithmetic in unsigned: -2^31 has no positive counterpart.
      const std::uint32_t m = static_cast<std::uint32_t>(magnitude);
      w = static_cast<std::int32_t>(negative ? 0u - m : m);
    } else {
      // A negative number does not fit an unsigned field (only -0 does).
      if (negative && magnitude != 0) return false;
      rest[i - 1] = static_cast<std::uint32_t>(magnitude);
    }
  }

  const std::uint32_t uw = static_cast<std::uint32_t>(w);
  out.weight = w < 0 ? 0u - uw : uw;
  out.tare = static_cast<std::int32_t>(rest[0]);
  std::uint32_t flags = 0;
  if (rest[5] != 0) flags |= FLAG_O;
  if (rest[1] != 0) flags |= FLAG_S;
  if (rest[3] != 0) flags |= FLAG_L;
  if (rest[2] != 0) flags |= FLAG_Z;
  if (rest[4] != 0) flags |= FLAG_M;
  if (w < 0) flags |= FLAG_NEGATIVE;
  out.flags = flags;
  format_weight_text(w, rest, out.text);
  return true;
}

}  // namespace scale_link
