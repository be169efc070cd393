// The scale's end of a pseudo-terminal: the library opens slave_path() as its serial port, the
// scale (a test, the simulator) writes and reads on the master.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "scale_frames.h"

namespace scale_sim {

class pty_scale {
 public:
  // Opens a pty pair in raw mode. Throws std::runtime_error when the system has no pty to give.
  pty_scale();
  ~pty_scale();
  pty_scale(const pty_scale&) = delete;
  pty_scale& operator=(const pty_scale&) = delete;

  const std::string& slave_path() const { return slave_path_; }
  int master_fd() const { return master_fd_.load(); }

  // Writes all bytes on the master at once (one read's worth for the library if it is waiting).
  bool write(const bytes& b);
  // Writes byte by byte, each after the time a byte takes on the line at the given rate.
  bool write_paced(const bytes& b, int baud);

  // Reads what the library sent, waiting up to `wait` for the first byte and then until 20 ms pass
  // with no further byte.
  bytes read_sent(std::chrono::milliseconds wait);

  // Bytes written on the master that the slave side has not read yet.
  int pending_for_slave() const;
  // Waits until the library has taken every byte written so far. False on time-out.
  bool wait_taken(std::chrono::milliseconds wait) const;

  // Throws away what the slave side left unread beyond `keep` bytes: while no program has the port
  // open, frames would otherwise pile up (and a full queue blocks the scale's writes).
  void drop_unread(int keep);

  // Pulls the cable: closes the master. Later writes fail. Stop an engine on this pty first.
  void close_master();

 private:
  std::atomic<int> master_fd_{-1};
  // Held so that the terminal stays set up between the library's sessions and so that the input
  // queue can be inspected.
  int slave_fd_ = -1;
  std::string slave_path_;
};

}  // namespace scale_sim
