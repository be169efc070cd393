// The pure frame functions: command frames, weight and short frame decoding, the scan of a read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frames.h"
#include "scale_frames.h"

using namespace scale_link;

namespace {

std::vector<std::uint8_t> v(const short_frame& f) { return {f.begin(), f.end()}; }

weight_reading decode_ok(const scale_sim::bytes& frame) {
  weight_reading r{};
  EXPECT_TRUE(decode_weight_frame(frame.data(), r)) << scale_sim::hex(frame);
  return r;
}

bool decodes(const scale_sim::bytes& frame) {
  weight_reading r{};
  return decode_weight_frame(frame.data(), r);
}

}  // namespace

TEST(CommandFrame, BytesOfTheFourCommands) {
  struct row {
    std::uint8_t code;
    std::uint32_t value;
    std::vector<std::uint8_t> bytes;
  } rows[] = {
      {CMD_ZERO, 0, {0x02, 0x02, 0x00, 0x00, 0x00, 0x00, 0x04, 0x03}},
      {CMD_TARE, 0, {0x02, 0x03, 0x00, 0x00, 0x00, 0x00, 0x05, 0x03}},
      {CMD_PRESET_TARE, 1000, {0x02, 0x04, 0xE8, 0x03, 0x00, 0x00, 0xF1, 0x03}},
      {CMD_PRESET_TARE, static_cast<std::uint32_t>(-1), {0x02, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x03}},
      {CMD_OVERFLOW_ALARM, 100, {0x02, 0x50, 0x64, 0x00, 0x00, 0x00, 0xB6, 0x03}},
  };
  for (const row& r : rows) EXPECT_EQ(v(build_short_frame(r.code, r.value)), r.bytes);
}

TEST(CommandFrame, ChecksumIsLowByteOfSumOfFirstSix) {
  for (std::uint32_t value : {0u, 1u, 0x80000000u, 0xFFFFFFFFu, 0x12345678u, 0xDEADBEEFu}) {
    const short_frame f = build_short_frame(0xFE, value);
    unsigned sum = 0;
    for (int i = 0; i < 6; ++i) sum += f[i];
    EXPECT_EQ(f[6], sum & 0xFF);
    short_reply back{};
    ASSERT_TRUE(decode_short_frame(f.data(), back));
    EXPECT_EQ(back.code, 0xFE);
    EXPECT_EQ(back.value, value);
  }
  short_frame bad = build_short_frame(REPLY_TARE, 500);
  bad[6] ^= 1;
  short_reply r{};
  EXPECT_FALSE(decode_short_frame(bad.data(), r));
}

TEST(WeightFrame, NegativeWeightWithStatusS) {
  const weight_reading r = decode_ok(scale_sim::weight_frame({-250, 0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(r.weight, 250u);
  EXPECT_EQ(r.tare, 0);
  EXPECT_EQ(r.flags, 0x22u);
  EXPECT_STREQ(r.text, "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 ");
}

TEST(WeightFrame, EachStatusValueSetsItsOwnBit) {
  // Bit order differs from field order: O bit 0, S bit 1, L bit 2, Z bit 3, M bit 4.
  struct row {
    scale_sim::weight_values in;
    std::uint32_t flags;
  } rows[] = {
      {{5, 0, 0, 0, 0, 0, 9}, FLAG_O},
      {{5, 0, 9, 0, 0, 0, 0}, FLAG_S},
      {{5, 0, 0, 0, 9, 0, 0}, FLAG_L},
      {{5, 0, 0, 9, 0, 0, 0}, FLAG_Z},
      {{5, 0, 0, 0, 0, 9, 0}, FLAG_M},
      {{0, 0, 0, 0, 0, 0, 0}, 0},  // W = 0 is not negative
      {{-1, 0, 1, 1, 1, 1, 1}, 0x3F},
  };
  for (const row& r : rows) EXPECT_EQ(decode_ok(scale_sim::weight_frame(r.in)).flags, r.flags);
}

TEST(WeightFrame, TextIsParsedAsScanfWould) {
  struct row {
    const char* text;
    std::uint32_t weight;
    std::int32_t tare;
    std::uint32_t flags;
    const char* out;
  } rows[] = {
      {"-250 0 1 0 0 0 0", 250, 0, 0x22, "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 "},
      {"\t+12\n7 0 0 0 0 0 trail", 12, 7, 0, "W:12 T:7 S:0 Z:0 L:0 M:0 O:0 "},
      {"-0 0 0 0 0 0 0", 0, 0, 0, "W:0 T:0 S:0 Z:0 L:0 M:0 O:0 "},
      {"1 4294967295 0 0 0 0 0", 1, -1, 0, "W:1 T:4294967295 S:0 Z:0 L:0 M:0 O:0 "},
      {"-2147483648 0 0 0 0 0 0", 2147483648u, 0, 0x20, "W:-2147483648 T:0 S:0 Z:0 L:0 M:0 O:0 "},
      {"2147483647 1 1 1 1 1 1", 2147483647u, 1, 0x1F, "W:2147483647 T:1 S:1 Z:1 L:1 M:1 O:1 "},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    const weight_reading got = decode_ok(scale_sim::weight_frame_from_text(r.text));
    EXPECT_EQ(got.weight, r.weight);
    EXPECT_EQ(got.tare, r.tare);
    EXPECT_EQ(got.flags, r.flags);
    EXPECT_STREQ(got.text, r.out);
  }
}

TEST(WeightFrame, DroppedWhenNumbersMissingOrOutOfRange) {
  const char* rows[] = {
      "1 2 3 4 5 6",              // six numbers
      "",                         // none
      "1 2 3 x 5 6 7",            // not a number
      "2147483648 0 0 0 0 0 0",   // W beyond int32
      "-2147483649 0 0 0 0 0 0",  // W below int32
      "1 4294967296 0 0 0 0 0",   // T beyond uint32
      "99999999999999999999999",  // one huge number
      "1 -5 0 0 0 0 0",           // a negative value in an unsigned field
      "1 2 3 - 4 5 6",            // a sign with no digit
  };
  for (const char* text : rows) EXPECT_FALSE(decodes(scale_sim::weight_frame_from_text(text))) << text;
}

TEST(WeightFrame, BadChecksumDropped) {
  scale_sim::bytes f = scale_sim::weight_frame({-250, 0, 1, 0, 0, 0, 0});
  f[24] ^= 0x10;
  EXPECT_FALSE(decodes(f));
}

TEST(WeightFrame, SixNumbersDroppedEvenWhenChecksumByteIsADigit) {
  // Six numbers and a blank in byte 23; the tab makes the checksum, byte 24, the digit '0': a
  // parser that read past byte 23 would find a seventh number there.
  const scale_sim::bytes f = scale_sim::weight_frame_from_text("          \t5 0 0 0 0 0 ");
  ASSERT_EQ(f[23], ' ');
  ASSERT_EQ(f[24], '0');
  EXPECT_FALSE(decodes(f));
}

TEST(Scan, FindsShortAndWeightFramesInOrder) {
  const scale_sim::bytes read = scale_sim::concat({scale_sim::short_frame(REPLY_TARE, 500),
                                                   {0x00, 0x02, 0x41},  // a stray STX is stepped over
                                                   scale_sim::weight_frame({7, 0, 0, 0, 0, 0, 0}),
                                                   scale_sim::short_frame(0x33, 1)});
  std::string seen;
  scan_read(
      read.data(), read.size(), [&](const std::uint8_t* f) { seen += "S" + std::to_string(f[1]) + " "; },
      [&](const std::uint8_t*) { seen += "W "; });
  EXPECT_EQ(seen, "S5 W S51 ");
}

TEST(Scan, LooksOnlyAtTheBytesOfTheRead) {
  // A full weight frame in the buffer, but the read is 20 bytes: nothing beyond them is seen.
  const scale_sim::bytes buf = scale_sim::weight_frame({1, 2, 0, 0, 0, 0, 0});
  int frames = 0;
  scan_read(buf.data(), 20, [&](const std::uint8_t*) { ++frames; }, [&](const std::uint8_t*) { ++frames; });
  EXPECT_EQ(frames, 0);
}

TEST(Scan, StepsOverARejectedFrameWhole) {
  // A weight frame with a bad checksum still advances by 26: an STX inside its text is not a frame.
  scale_sim::bytes bad = scale_sim::weight_frame_from_text("1 2 3 4 5 6 7");
  // An 8-byte frame hidden at the start of the text would be taken if the scan stepped by one.
  const scale_sim::bytes inner = scale_sim::short_frame(REPLY_TARE, 9);
  std::copy(inner.begin(), inner.end(), bad.begin() + 2);
  bad[24] = static_cast<std::uint8_t>(scale_sim::sum8(bad, 0, 24) + 1);
  int shorts = 0, weights = 0;
  scan_read(bad.data(), bad.size(), [&](const std::uint8_t*) { ++shorts; }, [&](const std::uint8_t*) { ++weights; });
  // Byte 7 of the outer frame is not ETX, so the outer STX is a weight frame candidate.
  EXPECT_EQ(weights, 1);
  EXPECT_EQ(shorts, 0);
}
