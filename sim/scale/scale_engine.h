// A scale on the master side of a pty: weight frames at a chosen rate, answers to the four
// commands, short replies, and faults on request. Runs its own thread; every method may be called
// from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "pty_scale.h"
#include "scale_frames.h"

namespace scale_sim {

enum class fault {
  bad_checksum,  // next weight frame with a wrong checksum byte
  cut_frame,     // next weight frame without its last 6 bytes
  garbage,       // junk bytes, then the next frame, in one write
  mid_frame,     // the tail of a frame, then the next frame, in one write (the read starts mid-frame)
};

class scale_engine {
 public:
  explicit scale_engine(pty_scale& pty);
  ~scale_engine();

  void start();
  void stop();

  void set_values(const weight_values& v);
  weight_values values() const;
  // Weight frames per second; 0 sends none.
  void set_rate(double frames_per_second);
  // 0 writes each frame at once; else bytes are spaced as on a line at this rate.
  void set_pacing(int baud);
  // While silent the scale sends nothing at all, answers included.
  void set_silent(bool silent);
  void inject(fault f);
  void send_reply_tare();
  void send_reply_weight();

  std::uint32_t alarm() const;
  unsigned commands_received() const { return commands_.load(); }
  unsigned frames_sent() const { return frames_.load(); }
  // Called on the engine's thread for every command frame received (code, value).
  void on_command(std::function<void(std::uint8_t, std::uint32_t)> f);

 private:
  void run();
  void handle_input(const bytes& in);
  void send(const bytes& b);

  pty_scale& pty_;
  mutable std::mutex m_;
  std::condition_variable cv_;
  weight_values values_;
  double rate_ = 5.0;
  int baud_ = 0;
  bool silent_ = false;
  bool has_fault_ = false;
  fault fault_ = fault::bad_checksum;
  std::uint32_t alarm_ = 0;
  std::function<void(std::uint8_t, std::uint32_t)> on_command_;
  bool stop_ = false;
  bool wake_ = false;
  std::atomic<unsigned> commands_{0}, frames_{0};
  bytes input_;
  std::thread thread_;
};

}  // namespace scale_sim
