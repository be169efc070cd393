// A session of the library on a pseudo-terminal: the test plays the scale on the master side and
// reads the library's trace lines from a captured standard output.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <string>

#include "pty_scale.h"
#include "scale_frames.h"
#include "stdout_capture.h"
#include "weighport.h"

class SessionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    etsa_exit();
    // Failure messages went to the captured output too.
    if (HasFailure()) {
      out.restore();
      std::cerr << "--- captured output ---\n" << out.text();
    }
  }

  // Opens the session on the pty with the per-read trace on.
  void open() {
    ASSERT_EQ(etsa_init_normal(pty.slave_path().c_str()), 1);
    etsa_set_debuge_mode();
  }

  // Writes the bytes as one read and waits for the reader's trace line about it.
  void deliver(const scale_sim::bytes& b) {
    const std::size_t before = out.count("read:");
    ASSERT_TRUE(pty.write(b));
    ASSERT_TRUE(out.wait_count("read:", before + 1)) << "no read of " << scale_sim::hex(b);
  }

  // Waits until the getter returns the value. False on time-out.
  template <class Getter, class T>
  static bool wait_value(Getter get, T want, std::chrono::milliseconds wait = std::chrono::milliseconds(8000)) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (get() != want) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  scale_sim::pty_scale pty;
  stdout_capture out;
};
