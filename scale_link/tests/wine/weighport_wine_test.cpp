// WeighPort.dll end to end on Windows code: the library opens "COM5", which wine-com-run maps to
// a fresh pseudo-terminal for each test; the test plays the scale on the other end.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "weighport.h"
#include "wine_session.h"

namespace {

using namespace wine_test;
using scale_sim::concat;
using scale_sim::hex;
using scale_sim::reply_weight_frame;
using scale_sim::short_frame;
using scale_sim::weight_frame;
using scale_sim::weight_frame_from_text;
using scale_sim::weight_values;

class OnCom : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(scale.connect()) << scale.error(); }
  void TearDown() override { etsa_exit(); }

  void open() { ASSERT_EQ(1, etsa_init_normal(port.c_str())); }
  void send(const bytes &b) { ASSERT_TRUE(scale.write(b)); }
  // Sends a frame and waits until the getters show its weight.
  void apply(const weight_values &v)
  {
    send(weight_frame(v));
    ASSERT_TRUE(eventually([&] { return etsa_get_weight() == v.w && etsa_get_tare() == int(v.t); }))
        << "weight " << v.w << " never arrived";
  }
  // A later read that only changes the tare: once it shows, everything sent before was handled.
  void send_marker(int tare)
  {
    std::this_thread::sleep_for(READ_GAP);
    send(short_frame(scale_sim::CODE_REPLY_TARE, std::uint32_t(tare)));
    ASSERT_TRUE(eventually([&] { return etsa_get_tare() == tare; })) << "marker " << tare << " never arrived";
  }

  ScaleEnd scale;
  const std::string port = com_name();
};

// ---- the port ----

// A pty always keeps 8 bits and no parity, so of the four settings the line shows the rate and
// the stop bits; the DCB test checks all four.
TEST_F(OnCom, OpenSetsTheLineTo9600_8N1)
{
  EXPECT_EQ("1200 8N2 cooked", line_settings());  // as the harness leaves a new port
  open();
  EXPECT_EQ("9600 8N1 raw", line_settings());
}

// ---- commands ----

struct CommandCase {
  const char *name;
  std::function<int()> call;
  const char *wire;
};

TEST_F(OnCom, CommandFramesGoOutByteForByte)
{
  open();
  const CommandCase cases[] = {
      {"zero", [] { return etsa_zero(); }, "02 02 00 00 00 00 04 03"},
      {"tare", [] { return etsa_tare(); }, "02 03 00 00 00 00 05 03"},
      {"preset tare 1000", [] { return etsa_set_tare(1000); }, "02 04 E8 03 00 00 F1 03"},
      {"preset tare -1", [] { return etsa_set_tare(-1); }, "02 04 FF FF FF FF 02 03"},
      {"overflow alarm 100", [] { return etsa_set_overflow_alarm(100); }, "02 50 64 00 00 00 B6 03"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(1, c.call());
    EXPECT_EQ(c.wire, hex(scale.read(8, 2000ms)));
  }
  EXPECT_TRUE(scale.drain(100ms).empty());
}

TEST_F(OnCom, CommandWithoutSessionStillReturnsOne)
{
  EXPECT_EQ(1, etsa_zero());
  open();
  EXPECT_TRUE(scale.drain(100ms).empty());
}

// ---- weight frames ----

TEST_F(OnCom, WeightFrameIsDecoded)
{
  open();
  weight_values v;
  v.w = -250;
  v.s = 1;
  apply(v);
  EXPECT_EQ(0x22, etsa_get_flags());
  EXPECT_EQ(0, etsa_get_tare());
  EXPECT_EQ(int(250u | (0x22u << 24)), etsa_get_flag_and_weight());
  EXPECT_STREQ("W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 ", etsa_get_weight_string());
}

TEST_F(OnCom, WeightFrameFlagBits)
{
  open();
  struct Row {
    const char *text;
    int weight, flags;
  } rows[] = {
      {"11 0 0 0 0 0 1", 11, 0x01},  // O
      {"12 0 1 0 0 0 0", 12, 0x02},  // S
      {"13 0 0 0 1 0 0", 13, 0x04},  // L
      {"14 0 0 1 0 0 0", 14, 0x08},  // Z
      {"15 0 0 0 0 7 0", 15, 0x10},  // M, any nonzero value
      {"-16 0 0 0 0 0 0", -16, 0x20},
      {"0 0 0 0 0 0 0", 0, 0x00},    // zero is not negative
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.text);
    send(weight_frame_from_text(r.text));
    EXPECT_TRUE(eventually([&] { return etsa_get_weight() == r.weight && etsa_get_flags() == r.flags; }))
        << etsa_get_weight() << " flags " << etsa_get_flags();
  }
}

// Frames the reader must not apply; each row is sent after a good frame with weight 100, in
// parts that reach the library as separate reads.
struct DropCase {
  const char *name;
  std::vector<bytes> reads;
};

TEST_F(OnCom, FramesThatAreDropped)
{
  open();
  const bytes good = weight_frame_from_text("555 0 0 0 0 0 0");
  bytes bad_sum = good;
  bad_sum[24] ^= 0x01;
  // "12 ..." and "21 ..." have the same checksum and the same tail: a reader that looked past its
  // read's end into the previous read's bytes would apply the cut frame as 21.
  const bytes twelve = weight_frame_from_text("12 0 0 0 0 0 0");
  const bytes twenty_one = weight_frame_from_text("21 0 0 0 0 0 0");
  const DropCase cases[] = {
      {"bad checksum", {bad_sum}},
      {"six numbers", {weight_frame_from_text("555 0 0 0 0 0")}},
      {"read not starting with STX", {concat({{0x41}, good})}},
      {"frame cut across two reads", {bytes(good.begin(), good.begin() + 20), bytes(good.begin() + 20, good.end())}},
      {"cut frame after a longer read", {twelve, bytes(twenty_one.begin(), twenty_one.begin() + 20)}},
  };
  int marker = 1000;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    weight_values base;
    base.w = 100;
    base.t = 0;
    apply(base);
    for (const auto &r : c.reads) {
      send(r);
      std::this_thread::sleep_for(READ_GAP);
    }
    send_marker(++marker);
    // "12" is a good frame of its own; only the cut "21" must not show.
    const int expected = std::string(c.name) == "cut frame after a longer read" ? 12 : 100;
    EXPECT_EQ(expected, etsa_get_weight());
  }
}

// ---- 8-byte frames from the scale ----

TEST_F(OnCom, ShortFramesFromTheScale)
{
  open();
  send(short_frame(scale_sim::CODE_REPLY_TARE, 500));
  EXPECT_TRUE(eventually([] { return etsa_get_tare() == 500; }));

  send(reply_weight_frame(1500, 0x22));  // DC 05 00 22
  EXPECT_TRUE(eventually([] { return etsa_get_weight() == -1500; }));
  EXPECT_EQ(0x22, etsa_get_flags());
  EXPECT_EQ(int(1500u | (0x22u << 24)), etsa_get_flag_and_weight());

  // Bits 6 and 7 of the status byte are kept.
  send(reply_weight_frame(7, 0xC1));
  EXPECT_TRUE(eventually([] { return etsa_get_weight() == 7; }));
  EXPECT_EQ(0xC1, etsa_get_flags());
}

TEST_F(OnCom, ShortAndWeightFrameInOneReadApplyInOrder)
{
  open();
  weight_values v;
  v.w = 40;
  v.t = 7;
  // Tare reply first: the weight frame's tare wins.
  send(concat({short_frame(scale_sim::CODE_REPLY_TARE, 500), weight_frame(v)}));
  EXPECT_TRUE(eventually([] { return etsa_get_weight() == 40; }));
  EXPECT_EQ(7, etsa_get_tare());
  std::this_thread::sleep_for(READ_GAP);
  // Weight frame first: the tare reply wins.
  v.w = 41;
  send(concat({weight_frame(v), short_frame(scale_sim::CODE_REPLY_TARE, 501)}));
  EXPECT_TRUE(eventually([] { return etsa_get_weight() == 41; }));
  EXPECT_TRUE(eventually([] { return etsa_get_tare() == 501; }));
}

// ---- silence and a pulled cable ----

TEST_F(OnCom, SilenceClearsWeightAndFlagsButKeepsTareAndText)
{
  open();
  weight_values v;
  v.w = -75;
  v.t = 9;
  apply(v);
  const std::string text = etsa_get_weight_string();
  // Reads on a silent line never end before their 281 ms: after 1.5 s at most six have passed.
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(-75, etsa_get_weight());
  // The eleventh empty read in a row clears.
  EXPECT_TRUE(eventually([] { return etsa_get_weight() == 0 && etsa_get_flags() == 0; }, 10000ms));
  EXPECT_EQ(9, etsa_get_tare());
  EXPECT_EQ(text, etsa_get_weight_string());
}

TEST_F(OnCom, PulledCable)
{
  open();
  weight_values v;
  v.w = 321;
  apply(v);
  scale.close();
  EXPECT_TRUE(eventually([] { return etsa_get_weight() == 0; }, 10000ms));
  EXPECT_EQ(1, etsa_zero());
  EXPECT_EQ(1, etsa_exit());
}

// ---- trace lines ----

TEST(Trace, ComNameEcho)
{
  TraceCapture trace;
  char *first = etsa_com_name_test("COM5");
  EXPECT_STREQ("COM5", first);
  const std::string long_name(10000, 'N');
  char *second = etsa_com_name_test(long_name.c_str());
  EXPECT_EQ(first, second);
  EXPECT_EQ(std::string(63, 'N'), second);
  auto lines = trace.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ("the com name is:COM5", lines[0]);
  EXPECT_EQ("the com name is:" + long_name, lines[1]);
}

TEST_F(OnCom, DebugReadLineThenThreadOut)
{
  open();
  etsa_set_debuge_mode();
  weight_values v;
  v.w = -250;
  v.s = 1;
  TraceCapture trace;
  apply(v);
  EXPECT_EQ(1, etsa_exit());
  auto lines = trace.lines();
  auto at = [&](const std::string &s) { return std::find(lines.begin(), lines.end(), s) - lines.begin(); };
  const auto read_line = at("read:26 bytes weight:250 flag:0x22");
  const auto thread_out = at("thread out");
  ASSERT_LT(read_line, long(lines.size()));
  ASSERT_LT(thread_out, long(lines.size()));
  EXPECT_LT(read_line, thread_out);
  // The reader's own end is announced after its last line.
  EXPECT_NE(lines.end(), std::find(lines.begin() + thread_out, lines.end(), "DLL_THREAD_DETACH"));
  EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "thread out"));
}

TEST_F(OnCom, DebugModeBeforeInitIsCleared)
{
  etsa_set_debuge_mode();
  open();
  weight_values v;
  v.w = 5;
  TraceCapture trace;
  apply(v);
  EXPECT_EQ(1, etsa_exit());
  for (const auto &l : trace.lines())
    EXPECT_NE(0u, l.rfind("read:", 0)) << l;
}

TEST(Trace, EveryEndingThreadIsAnnounced)
{
  TraceCapture trace;
  std::thread([] { etsa_get_weight(); }).join();
  std::thread([] {}).join();  // never entered the library: the loader announces it all the same
  auto lines = trace.lines();
  // Wine may end threads of its own meanwhile.
  EXPECT_LE(2, std::count(lines.begin(), lines.end(), "DLL_THREAD_DETACH"));
}

// ---- the session's lifecycle ----

TEST_F(OnCom, OpenTwiceThenExitTwice)
{
  EXPECT_EQ(0, etsa_exit());
  open();
  EXPECT_EQ(-1, etsa_init_normal(port.c_str()));
  weight_values v;
  v.w = 77;
  apply(v);  // the first session still reads
  EXPECT_EQ(1, etsa_exit());
  EXPECT_EQ(0, etsa_exit());
}

TEST_F(OnCom, ReopenAfterExitHasOneReader)
{
  open();
  TraceCapture trace;
  EXPECT_EQ(1, etsa_exit());
  open();
  weight_values v;
  v.w = 88;
  apply(v);
  EXPECT_EQ(1, etsa_exit());
  auto lines = trace.lines();
  EXPECT_EQ(2, std::count(lines.begin(), lines.end(), "thread out"));
}

TEST_F(OnCom, FailedOpenKeepsTheReadings)
{
  open();
  weight_values v;
  v.w = -9;
  v.t = 3;
  apply(v);
  EXPECT_EQ(1, etsa_exit());
  EXPECT_EQ(-1, etsa_init_normal("COM99"));
  EXPECT_EQ(-9, etsa_get_weight());
  EXPECT_EQ(3, etsa_get_tare());
  EXPECT_EQ(0x20, etsa_get_flags());
}

TEST_F(OnCom, CyclesLeaveNoHandleOrThreadBehind)
{
  // A first cycle lets the runtime set up what it keeps for the process.
  open();
  EXPECT_EQ(1, etsa_exit());
  const long handles = handle_count();
  ASSERT_GT(handles, 0);
  const int threads = thread_count();
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(1, etsa_init_normal(port.c_str())) << "cycle " << i;
    ASSERT_EQ(1, etsa_exit()) << "cycle " << i;
  }
  EXPECT_EQ(handles, handle_count());
  EXPECT_EQ(threads, thread_count());
}

// ---- bad port names ----

TEST_F(OnCom, BadPortNamesFailCleanly)
{
  const std::string huge(10 * 1024, 'C');
  const char *names[] = {"COM99", "", huge.c_str(), "C:\\windows\\win.ini", "C:\\windows", nullptr};
  { SCOPED_TRACE("GoogleTest keeps a handle for its per-thread traces once they are used"); }
  const long handles = handle_count();
  ASSERT_GT(handles, 0);
  for (const char *name : names) {
    SCOPED_TRACE(name ? std::string(name).substr(0, 40) : "null");
    EXPECT_EQ(-1, etsa_init_normal(name));
    EXPECT_EQ(0, etsa_exit());
  }
  EXPECT_EQ(handles, handle_count());
  open();  // nothing was left open in the way
}

}  // namespace
