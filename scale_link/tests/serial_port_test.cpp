// The Linux serial layer on a pseudo-terminal: line settings, exclusive use, and the read
// time-outs (when a read returns, not how fast: timings belong to the benchmarks).
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "pty_scale.h"
#include "frames.h"
#include "serial_port.h"
#include "serial_termios_posix.h"

using namespace scale_link;

TEST(Termios, RawNineSixHundredEightNOneKeepsTheRest) {
  termios t{};
  t.c_iflag = ICRNL | IXON | IXOFF | INPCK | ISTRIP;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  t.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL;
  t.c_cc[VSTART] = 0x11;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 5;
  set_raw_mode(t);
  set_line_9600_8n1(t);
  EXPECT_EQ(cfgetispeed(&t), B9600);
  EXPECT_EQ(cfgetospeed(&t), B9600);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | ISTRIP | INPCK), 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  // Flow control and special characters stay as the port had them.
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_NE(t.c_cflag & HUPCL, 0u);
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
}

class SerialPort : public ::testing::Test {
 protected:
  void SetUp() override {
    port = serial_open(pty.slave_path().c_str());
    ASSERT_NE(port, nullptr);
  }
  void TearDown() override {
    if (port) serial_close(port);
  }
  scale_sim::pty_scale pty;
  serial_port* port = nullptr;
  std::uint8_t buf[READ_SIZE + 64];
};

TEST_F(SerialPort, ExclusiveUntilClosed) {
  EXPECT_EQ(serial_open(pty.slave_path().c_str()), nullptr);
  EXPECT_TRUE(serial_close(port));
  port = serial_open(pty.slave_path().c_str());
  EXPECT_NE(port, nullptr);
}

TEST_F(SerialPort, ReadReturnsAFullBufferAtOnceAndTheRestNext) {
  ASSERT_TRUE(pty.write(scale_sim::bytes(300, 0x41)));
  EXPECT_EQ(serial_read(port, buf, READ_SIZE), 256);
  EXPECT_EQ(serial_read(port, buf, READ_SIZE), 44);
  EXPECT_EQ(serial_read(port, buf, READ_SIZE), 0);  // silence: the total time-out, nothing
}

TEST_F(SerialPort, BytesInRawModeArriveUnchanged) {
  scale_sim::bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(pty.write(all));
  int n = 0;
  while (n < 256) {
    const int r = serial_read(port, buf + n, READ_SIZE - n);
    ASSERT_GT(r, 0);
    n += r;
  }
  EXPECT_EQ(scale_sim::bytes(buf, buf + 256), all);
}

TEST_F(SerialPort, WriteReachesTheScale) {
  const std::uint8_t frame[8] = {0x02, 0x02, 0, 0, 0, 0, 0x04, 0x03};
  EXPECT_EQ(serial_write(port, frame, 8), 8);
  EXPECT_EQ(pty.read_sent(std::chrono::milliseconds(500)), scale_sim::bytes(frame, frame + 8));
}

namespace {
void on_signal(int) {}
}  // namespace

TEST_F(SerialPort, SignalsDoNotEndARead) {
  struct sigaction sa {};
  sa.sa_handler = on_signal;  // no SA_RESTART: poll reports EINTR
  sigaction(SIGUSR1, &sa, nullptr);
  std::atomic<int> got{-2};
  pthread_t reader_id;
  std::atomic<bool> started{false};
  std::thread reader([&] {
    reader_id = pthread_self();
    started.store(true);
    got.store(serial_read(port, buf, READ_SIZE));
  });
  while (!started.load()) std::this_thread::yield();
  for (int i = 0; i < 5; ++i) {
    pthread_kill(reader_id, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_TRUE(pty.write({1, 2, 3}));
  reader.join();
  // The interrupted read went on and returned the bytes, or timed out normally before them.
  EXPECT_TRUE(got.load() == 3 || got.load() == 0) << got.load();
  signal(SIGUSR1, SIG_DFL);
}

TEST_F(SerialPort, WakeEndsAReadAndEveryLaterOne) {
  std::atomic<int> got{-2};
  std::thread reader([&] { got.store(serial_read(port, buf, READ_SIZE)); });
  serial_wake(port);
  reader.join();
  EXPECT_EQ(got.load(), 0);
  ASSERT_TRUE(pty.write({1, 2, 3}));
  // Woken: returns at once, whatever is waiting.
  EXPECT_LE(serial_read(port, buf, READ_SIZE), 3);
}

TEST_F(SerialPort, HangUpIsAFailedRead) {
  pty.close_master();
  EXPECT_EQ(serial_read(port, buf, READ_SIZE), -1);
  EXPECT_EQ(serial_write(port, buf, 8), -1);
}
