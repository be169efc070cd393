// What the reader does with one read: which frames it applies to the record, the acknowledgement,
// the try-lock, and the debug trace line. Works on a record of its own, without a port.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <thread>
#include <mutex>
#include <string>

#include "scale_frames.h"
#include "scale_link.h"
#include "stdout_capture.h"

using namespace scale_link;
using scale_sim::bytes;
using scale_sim::concat;

namespace {

struct record_view {
  std::uint32_t weight, flags;
  std::int32_t tare;
  std::string text;
  bool operator==(const record_view&) const = default;
};

class Reader : public ::testing::Test {
 protected:
  // Puts the bytes in the read buffer, as a read of their length would, and processes them.
  void read(const bytes& b) {
    ASSERT_LE(b.size(), READ_SIZE);
    std::copy(b.begin(), b.end(), link.read_buf);
    process_read(link, b.size());
  }
  record_view view() {
    std::lock_guard<std::mutex> g(link.lock);
    return {link.weight, link.flags, link.tare, link.weight_text};
  }
  void set_pending(std::uint8_t code) {
    std::lock_guard<std::mutex> g(link.lock);
    link.pending_code.store(code);
    link.pending_result = -1;
  }
  std::pair<int, int> pending() {
    std::lock_guard<std::mutex> g(link.lock);
    return {link.pending_code.load(), link.pending_result};
  }

  ScaleLink link;
  const bytes minus_250 = scale_sim::weight_frame({-250, 0, 1, 0, 0, 0, 0});
};

}  // namespace

TEST_F(Reader, OneWeightFrameSetsTheRecord) {
  read(minus_250);
  EXPECT_EQ(view(), (record_view{250, 0x22, 0, "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 "}));
}

TEST_F(Reader, RejectedReadsLeaveTheRecordAlone) {
  read(scale_sim::weight_frame({40, 3, 0, 0, 0, 0, 1}));
  const record_view before = view();
  bytes bad_sum = minus_250;
  bad_sum[24] ^= 1;
  bytes cut = scale_sim::weight_frame({-250, 9, 1, 0, 0, 0, 0});
  cut.resize(25);
  const struct {
    const char* name;
    bytes read;
  } rows[] = {
      {"bad checksum", bad_sum},
      {"not starting with STX, full frame after", concat({{0x41}, minus_250})},
      {"tail of a frame, then a full frame", concat({bytes(minus_250.begin() + 10, minus_250.end()), minus_250})},
      {"six numbers", scale_sim::weight_frame_from_text("-250 0 1 0 0 0")},
      {"last frame cut", cut},
      {"STX alone", {0x02}},
  };
  for (const auto& r : rows) {
    read(r.read);
    EXPECT_EQ(view(), before) << r.name;
  }
}

TEST_F(Reader, CutFrameNotCompletedByAnEarlierLongerRead) {
  const bytes full = scale_sim::weight_frame({-250, 0, 1, 0, 0, 0, 0});
  read(concat({full, full}));  // leaves a complete frame's bytes in the buffer
  read(scale_sim::weight_frame({99, 0, 0, 0, 0, 0, 0}));
  // Same frame again but only 25 bytes of it: the 26th byte in the buffer is an old ETX.
  std::copy(full.begin(), full.end(), link.read_buf);
  process_read(link, 25);
  EXPECT_EQ(view().weight, 99u);
}

TEST_F(Reader, ShortFrameThenWeightFrameAppliedInOrder) {
  read(concat({scale_sim::short_frame(REPLY_TARE, 500), scale_sim::weight_frame({10, 7, 0, 0, 0, 0, 0})}));
  EXPECT_EQ(view().tare, 7);
  read(concat({scale_sim::weight_frame({10, 7, 0, 0, 0, 0, 0}), scale_sim::short_frame(REPLY_TARE, 500)}));
  EXPECT_EQ(view().tare, 500);
}

TEST_F(Reader, ShortReplies) {
  read(minus_250);
  read(scale_sim::short_frame(REPLY_TARE, 500));
  EXPECT_EQ(view(), (record_view{250, 0x22, 500, "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 "}));

  read({0x02, 0x12, 0xDC, 0x05, 0x00, 0x22, static_cast<std::uint8_t>(0x02 + 0x12 + 0xDC + 0x05 + 0x22), 0x03});
  EXPECT_EQ(view().weight, 1500u);
  EXPECT_EQ(view().flags, 0x22u);

  // The status byte is stored whole, bits 6 and 7 included; the text is left as it was.
  read(scale_sim::reply_weight_frame(0xFFFFFF, 0xC1));
  EXPECT_EQ(view(), (record_view{0xFFFFFF, 0xC1, 500, "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 "}));

  // Other codes, and replies with a bad checksum, change nothing.
  bytes bad = scale_sim::short_frame(REPLY_TARE, 1);
  bad[6] ^= 1;
  read(concat({scale_sim::short_frame(0x33, 1), bad}));
  EXPECT_EQ(view().tare, 500);
}

TEST_F(Reader, AcknowledgementOfThePendingCommand) {
  set_pending(CMD_ZERO);
  read(scale_sim::short_frame(CMD_TARE, 5));  // another code: no acknowledgement
  EXPECT_EQ(pending(), std::make_pair(int{CMD_ZERO}, -1));
  read(scale_sim::short_frame(CMD_ZERO, 0x80000001u));  // bit 31 set: ignored
  EXPECT_EQ(pending(), std::make_pair(int{CMD_ZERO}, -1));
  read(scale_sim::short_frame(CMD_ZERO, 7));
  EXPECT_EQ(pending(), std::make_pair(0, 7));
}

TEST_F(Reader, AcknowledgementStillHasItsCodesEffect) {
  set_pending(REPLY_TARE);
  read(scale_sim::short_frame(REPLY_TARE, 42));
  EXPECT_EQ(pending(), std::make_pair(0, 42));
  EXPECT_EQ(view().tare, 42);
}

TEST_F(Reader, BusyLockDropsUpdatesWithoutWaiting) {
  read(minus_250);
  // A caller sits in a getter on another thread while the reader processes reads.
  std::promise<void> held, release;
  std::thread caller([&] {
    std::lock_guard<std::mutex> g(link.lock);
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  read(scale_sim::weight_frame({5, 5, 0, 0, 0, 0, 0}));
  read(concat({scale_sim::short_frame(REPLY_TARE, 1), scale_sim::reply_weight_frame(1, 0)}));
  release.set_value();
  caller.join();
  EXPECT_EQ(view(), (record_view{250, 0x22, 0, "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 "}));
}

TEST_F(Reader, DebugLineAfterEachReadThatStartsWithStx) {
  stdout_capture out;
  g_debug_mode.store(true);
  read(minus_250);
  read(concat({{0x41}, minus_250}));                 // dropped: no line
  read(scale_sim::reply_weight_frame(0x1234, 0x8F));  // hexadecimal in lower case
  read(scale_sim::short_frame(0x33, 0));              // unchanged record still traced
  g_debug_mode.store(false);
  read(minus_250);
  out.restore();
  const std::vector<std::string> expected = {
      "read:26 bytes weight:250 flag:0x22",
      "read:8 bytes weight:4660 flag:0x8f",
      "read:8 bytes weight:4660 flag:0x8f",
  };
  EXPECT_EQ(out.lines(), expected);
  // The base goes back to decimal.
  std::ostringstream probe;
  probe.copyfmt(std::cout);
  probe << 255;
  EXPECT_EQ(probe.str(), "255");
}

TEST_F(Reader, ElevenEmptyReadsInARowClearWeightAndFlags) {
  read(minus_250);
  int idle = 0;
  for (int i = 0; i < 10; ++i) note_empty_read(link, idle);
  EXPECT_EQ(view().weight, 250u);
  note_empty_read(link, idle);
  EXPECT_EQ(view(), (record_view{0, 0, 0, "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 "}));
}
