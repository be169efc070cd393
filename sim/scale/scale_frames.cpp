#include "scale_frames.h"

#include <cstdio>

namespace scale_sim {

std::uint8_t sum8(const bytes& b, std::size_t from, std::size_t to) {
  unsigned s = 0;
  for (std::size_t i = from; i < to; ++i) s += b[i];
  return static_cast<std::uint8_t>(s);
}

bytes weight_frame_from_text(const std::string& text) {
  bytes f(26, ' ');
  f[0] = 0x02;
  for (std::size_t i = 0; i < 23 && i < text.size(); ++i) f[1 + i] = static_cast<std::uint8_t>(text[i]);
  f[24] = sum8(f, 0, 24);
  f[25] = 0x03;
  return f;
}

bytes weight_frame(const weight_values& v) {
  // Widths chosen so that everyday values fill exactly 23 characters.
  char text[64];
  int len = std::snprintf(text, sizeof text, "%7d %5u %u %u %u %u %u", v.w, v.t, v.s, v.z, v.l,
                          v.m, v.o);
  // Large numbers: no padding; what still does not fit in 23 characters is cut.
  if (len > 23)
    std::snprintf(text, sizeof text, "%d %u %u %u %u %u %u", v.w, v.t, v.s, v.z, v.l, v.m, v.o);
  return weight_frame_from_text(text);
}

bytes short_frame(std::uint8_t code, std::uint32_t value) {
  bytes f{0x02,
          code,
          static_cast<std::uint8_t>(value),
          static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 24),
          0,
          0x03};
  f[6] = sum8(f, 0, 6);
  return f;
}

bytes reply_weight_frame(std::uint32_t magnitude, std::uint8_t status) {
  return short_frame(CODE_REPLY_WEIGHT, (magnitude & 0xFFFFFFu) | (std::uint32_t{status} << 24));
}

bytes concat(std::initializer_list<bytes> parts) {
  bytes out;
  for (const bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::string hex(const bytes& b) {
  std::string s;
  char buf[4];
  for (std::size_t i = 0; i < b.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", b[i]);
    s += buf;
  }
  return s;
}

}  // namespace scale_sim
