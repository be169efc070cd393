// The library through its C interface, with a pseudo-terminal as the scale's port.
#include <dirent.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "scale_engine.h"
#include "session_fixture.h"

using scale_sim::bytes;

namespace {

const bytes minus_250 = scale_sim::weight_frame({-250, 0, 1, 0, 0, 0, 0});

int count_entries(const char* dir) {
  int n = 0;
  if (DIR* d = opendir(dir)) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}

// Runs the probe program in another process; returns its exit status and its output.
int run_probe(const std::string& args, std::string* output = nullptr) {
  char path[] = "/tmp/weighport-probe-XXXXXX";
  const int fd = mkstemp(path);
  close(fd);
  const std::string cmd = std::string(WEIGHPORT_PROBE) + " " + args + " > " + path + " 2>&1";
  const int status = std::system(cmd.c_str());
  if (output) {
    std::ifstream in(path);
    output->assign(std::istreambuf_iterator<char>(in), {});
  }
  unlink(path);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST_F(SessionTest, GettersBeforeAnyFrame) {
  EXPECT_EQ(etsa_get_weight(), 0);
  EXPECT_EQ(etsa_get_flags(), 0);
  EXPECT_EQ(etsa_get_tare(), 0);
  EXPECT_EQ(etsa_get_flag_and_weight(), 0);
  EXPECT_STREQ(etsa_get_weight_string(), "");
}

TEST_F(SessionTest, WeightFrameReachesTheGetters) {
  open();
  deliver(minus_250);
  EXPECT_EQ(out.last("read:"), "read:26 bytes weight:250 flag:0x22");
  EXPECT_EQ(etsa_get_weight(), -250);
  EXPECT_EQ(etsa_get_flags(), 0x22);
  EXPECT_EQ(etsa_get_tare(), 0);
  EXPECT_EQ(etsa_get_flag_and_weight(), 250 | (0x22 << 24));
  EXPECT_STREQ(etsa_get_weight_string(), "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 ");
}

TEST_F(SessionTest, ShortRepliesAndFlagAndWeightPacking) {
  open();
  deliver(scale_sim::reply_weight_frame(1500, 0x22));
  EXPECT_EQ(etsa_get_weight(), -1500);
  EXPECT_EQ(etsa_get_flags(), 0x22);
  EXPECT_EQ(etsa_get_flag_and_weight(), 1500 | (0x22 << 24));
  deliver(scale_sim::short_frame(scale_sim::CODE_REPLY_TARE, 500));
  EXPECT_EQ(etsa_get_tare(), 500);
  // A magnitude of 2^24 or more overlaps the flags: a plain or, no masking.
  deliver(scale_sim::weight_frame({16777217, 0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(etsa_get_flag_and_weight(), static_cast<int>(16777217u | (0x02u << 24)));
  // The most negative weight: its magnitude does not fit int32, the signed weight does.
  deliver(scale_sim::weight_frame_from_text("-2147483648 0 0 0 0 0 0"));
  EXPECT_EQ(etsa_get_weight(), -2147483647 - 1);
}

TEST_F(SessionTest, CommandFramesOnTheLine) {
  open();
  const struct {
    const char* call;
    int (*send)();
    bytes expected;
  } rows[] = {
      {"zero", [] { return etsa_zero(); }, {0x02, 0x02, 0x00, 0x00, 0x00, 0x00, 0x04, 0x03}},
      {"tare", [] { return etsa_tare(); }, {0x02, 0x03, 0x00, 0x00, 0x00, 0x00, 0x05, 0x03}},
      {"preset 1000", [] { return etsa_set_tare(1000); }, {0x02, 0x04, 0xE8, 0x03, 0x00, 0x00, 0xF1, 0x03}},
      {"preset -1", [] { return etsa_set_tare(-1); }, {0x02, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x03}},
      {"alarm 100", [] { return etsa_set_overflow_alarm(100); }, {0x02, 0x50, 0x64, 0x00, 0x00, 0x00, 0xB6, 0x03}},
      // Only the low 8 bits of the argument count: 300 arrives as 0x2C.
      {"alarm 300", [] {
         const int wide = 300;  // a caller's int: the byte the library sees is 0x2C
         return etsa_set_overflow_alarm(static_cast<unsigned char>(wide));
       },
       scale_sim::short_frame(0x50, 0x2C)},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(r.send(), 1) << r.call;
    EXPECT_EQ(pty.read_sent(std::chrono::milliseconds(500)), r.expected) << r.call;
  }
}

TEST_F(SessionTest, CommandsWithoutAPortStillReturnOne) {
  EXPECT_EQ(etsa_zero(), 1);
  open();
  EXPECT_EQ(etsa_exit(), 1);
  EXPECT_EQ(etsa_set_tare(5), 1);
  EXPECT_TRUE(pty.read_sent(std::chrono::milliseconds(50)).empty());
}

TEST_F(SessionTest, CommandAnsweredByTheScale) {
  scale_sim::scale_engine scale(pty);
  scale.set_values({1200, 0, 1, 0, 0, 0, 0});
  scale.set_rate(20);  // frames 50 ms apart: each one read of its own
  scale.start();
  open();
  ASSERT_TRUE(wait_value(etsa_get_weight, 1200));
  EXPECT_EQ(etsa_tare(), 1);  // the scale acknowledges, reports its tare and then net 0
  EXPECT_TRUE(wait_value(etsa_get_tare, 1200));
  EXPECT_TRUE(wait_value(etsa_get_weight, 0));
  EXPECT_EQ(etsa_set_overflow_alarm(7), 1);
  EXPECT_EQ(scale.alarm(), 7u);
  etsa_exit();
  scale.stop();
}

TEST_F(SessionTest, DebugModeOnlyWhenSetAfterInit) {
  etsa_set_debuge_mode();
  ASSERT_EQ(etsa_init_normal(pty.slave_path().c_str()), 1);
  // No trace: the reader's reads can only be seen through the getters.
  ASSERT_TRUE(pty.write(minus_250));
  ASSERT_TRUE(wait_value(etsa_get_weight, -250));
  EXPECT_EQ(out.count("read:"), 0u);
  etsa_set_debuge_mode();
  deliver(scale_sim::weight_frame({3, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(out.last("read:"), "read:26 bytes weight:3 flag:0x0");
}

TEST_F(SessionTest, ExitEndsTheReaderBeforeReturning) {
  open();
  EXPECT_EQ(etsa_exit(), 1);
  // The reader has written its last lines by the time etsa_exit returns.
  const std::vector<std::string> lines = out.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "thread out");
  EXPECT_EQ(lines.back(), "DLL_THREAD_DETACH");
  EXPECT_EQ(etsa_exit(), 0);
  EXPECT_EQ(out.count("thread out"), 1u);
}

TEST_F(SessionTest, ComNameEcho) {
  char* first = etsa_com_name_test("/dev/ttyS3");
  EXPECT_STREQ(first, "/dev/ttyS3");
  EXPECT_EQ(out.last("the com name is:"), "the com name is:/dev/ttyS3");
  const std::string long_name(10000, 'x');
  char* second = etsa_com_name_test(long_name.c_str());
  EXPECT_EQ(second, first);
  EXPECT_EQ(std::string(second), long_name.substr(0, 63));
  EXPECT_EQ(out.last("the com name is:"), "the com name is:" + long_name);
  EXPECT_STREQ(etsa_com_name_test(nullptr), "");
}

TEST_F(SessionTest, BadPortNamesFailAndLeaveTheReadings) {
  open();
  deliver(minus_250);
  ASSERT_EQ(etsa_exit(), 1);

  char file[] = "/tmp/weighport-file-XXXXXX";
  close(mkstemp(file));
  const std::string rows[] = {"",          std::string(10000, 'p'), "/tmp", "/dev/null", file,
                              "/nonexistent/ttyS0"};
  for (const std::string& name : rows) {
    EXPECT_EQ(etsa_init_normal(name.c_str()), -1) << name.substr(0, 40);
    EXPECT_EQ(etsa_exit(), 0);
  }
  EXPECT_EQ(etsa_init_normal(nullptr), -1);
  unlink(file);
  EXPECT_EQ(etsa_get_weight(), -250);
  EXPECT_STREQ(etsa_get_weight_string(), "W:-250 T:0 S:1 Z:0 L:0 M:0 O:0 ");
}

TEST_F(SessionTest, PortHeldExclusively) {
  open();
  // A second session in this process is refused and the first keeps working.
  EXPECT_EQ(etsa_init_normal(pty.slave_path().c_str()), -1);
  // Another process cannot open it either.
  EXPECT_EQ(run_probe("open " + pty.slave_path()), 255);  // exit status of -1
  deliver(minus_250);
  EXPECT_EQ(etsa_get_weight(), -250);
  EXPECT_EQ(etsa_exit(), 1);
  EXPECT_EQ(run_probe("open " + pty.slave_path()), 1);
}

TEST_F(SessionTest, NewSessionReadsOnlyItsOwnPort) {
  scale_sim::pty_scale other;
  open();
  EXPECT_EQ(etsa_exit(), 1);
  ASSERT_EQ(etsa_init_normal(other.slave_path().c_str()), 1);
  etsa_set_debuge_mode();
  ASSERT_TRUE(pty.write(scale_sim::weight_frame({111, 0, 0, 0, 0, 0, 0})));
  ASSERT_TRUE(other.write(scale_sim::weight_frame({222, 0, 0, 0, 0, 0, 0})));
  ASSERT_TRUE(wait_value(etsa_get_weight, 222));
  EXPECT_EQ(out.count("read:"), 1u);
  EXPECT_EQ(out.count("thread out"), 1u);
}

TEST_F(SessionTest, SilenceClearsWeightAndFlagsOnly) {
  open();
  deliver(scale_sim::weight_frame({-77, 12, 1, 0, 0, 0, 0}));
  // More than ten empty reads in a row, about 3 s.
  ASSERT_TRUE(wait_value(etsa_get_flag_and_weight, 0));
  EXPECT_EQ(etsa_get_weight(), 0);
  EXPECT_EQ(etsa_get_tare(), 12);
  EXPECT_STREQ(etsa_get_weight_string(), "W:-77 T:12 S:1 Z:0 L:0 M:0 O:0 ");
}

TEST_F(SessionTest, CablePulledMidSession) {
  open();
  deliver(minus_250);
  pty.close_master();
  // The reader lives on with a dead port; commands and getters still answer; exit ends it.
  EXPECT_EQ(etsa_zero(), 1);
  EXPECT_EQ(etsa_get_tare(), 0);
  EXPECT_EQ(etsa_exit(), 1);
  EXPECT_EQ(out.count("thread out"), 1u);
  scale_sim::pty_scale fresh;
  EXPECT_EQ(etsa_init_normal(fresh.slave_path().c_str()), 1);
}

TEST_F(SessionTest, ProcessEndWithAnOpenSession) {
  std::string output;
  EXPECT_EQ(run_probe("hold " + pty.slave_path(), &output), 0);
  const auto detach = output.find("DLL_PROCESS_DETACH");
  const auto thread_out = output.find("thread out");
  ASSERT_NE(detach, std::string::npos) << output;
  ASSERT_NE(thread_out, std::string::npos) << output;
  EXPECT_LT(detach, thread_out);
  // The port was released: it can be opened again.
  EXPECT_EQ(etsa_init_normal(pty.slave_path().c_str()), 1);
}

TEST_F(SessionTest, ManyCallersWhileFramesArrive) {
  open();
  std::atomic<bool> done{false};
  std::vector<std::thread> callers;
  for (int i = 0; i < 4; ++i) {
    callers.emplace_back([&, i] {
      while (!done.load()) {
        const int w = etsa_get_weight();
        EXPECT_TRUE(w == 0 || (w >= 1 && w <= 20)) << w;
        etsa_get_flags();
        etsa_get_tare();
        etsa_get_flag_and_weight();
        // The returned text buffer is shared by all callers: one thread reads it.
        if (i == 0) {
          const char* text = etsa_get_weight_string();
          EXPECT_TRUE(text[0] == '\0' || std::strncmp(text, "W:", 2) == 0) << text;
        }
      }
    });
  }
  std::thread commander([] { etsa_zero(); etsa_set_tare(3); });
  for (int w = 1; w <= 20; ++w) deliver(scale_sim::weight_frame({w, 0, 0, 0, 0, 0, 0}));
  commander.join();
  done.store(true);
  for (auto& t : callers) t.join();
  EXPECT_EQ(etsa_exit(), 1);
}

TEST_F(SessionTest, ThousandSessionsLeaveNoDescriptorOrThread) {
  // Warm up once so that lazily created runtime state is not counted.
  open();
  ASSERT_EQ(etsa_exit(), 1);
  const int fds = count_entries("/proc/self/fd");
  const int threads = count_entries("/proc/self/task");
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(etsa_init_normal(pty.slave_path().c_str()), 1) << i;
    ASSERT_EQ(etsa_exit(), 1) << i;
  }
  EXPECT_EQ(count_entries("/proc/self/fd"), fds);
  EXPECT_EQ(count_entries("/proc/self/task"), threads);
  EXPECT_EQ(out.count("thread out"), 1001u);
}
