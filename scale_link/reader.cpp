#include <cstring>

#include "entry_point.h"
#include "scale_link.h"

namespace scale_link {

void handle_short_frame(ScaleLink& link, const std::uint8_t* frame) {
  short_reply reply;
  if (!decode_short_frame(frame, reply)) return;

  // An acknowledgement waits for the lock: it is rare and must not be lost.
  if (reply.code == link.pending_code.load(std::memory_order_relaxed) &&
      static_cast<std::int32_t>(reply.value) >= 0) {
    std::lock_guard<std::mutex> guard(link.lock);
    if (reply.code == link.pending_code.load(std::memory_order_relaxed)) {
      link.pending_result = static_cast<std::int32_t>(reply.value);
      link.pending_code.store(0);
    }
  }
  if (reply.code == REPLY_TARE) {
    std::unique_lock<std::mutex> guard(link.lock, std::try_to_lock);
    if (guard.owns_lock()) link.tare = static_cast<std::int32_t>(reply.value);
  } else if (reply.code == REPLY_WEIGHT) {
    std::unique_lock<std::mutex> guard(link.lock, std::try_to_lock);
    if (guard.owns_lock()) {
      link.weight = reply.value & 0xFFFFFFu;
      link.flags = reply.value >> 24;
    }
  }
}

void handle_weight_frame(ScaleLink& link, const std::uint8_t* frame) {
  weight_reading reading;
  if (!decode_weight_frame(frame, reading)) return;
  // Never wait for a caller: the next frame brings fresh values.
  std::unique_lock<std::mutex> guard(link.lock, std::try_to_lock);
  if (!guard.owns_lock()) return;
  link.weight = reading.weight;
  link.tare = reading.tare;
  link.flags = reading.flags;
  std::memcpy(link.weight_text, reading.text, sizeof reading.text);
}

void process_read(ScaleLink& link, std::size_t n) {
  // A read that starts inside a frame is dropped whole; frames are not joined across reads.
  if (link.read_buf[0] != STX) return;
  scan_read(
      link.read_buf, n, [&link](const std::uint8_t* f) { handle_short_frame(link, f); },
      [&link](const std::uint8_t* f) { handle_weight_frame(link, f); });
  // The reader is the only writer of weight and flags, so it may read them without the lock.
  if (g_debug_mode.load()) trace_read(n, link.weight, link.flags);
}

void note_empty_read(ScaleLink& link, int& idle_count) {
  // About 3.1 s of silence: the scale is gone, its last weight no longer holds.
  if (++idle_count > 10) {
    std::lock_guard<std::mutex> guard(link.lock);
    link.weight = 0;
    link.flags = 0;
  }
}

void reader_loop(ScaleLink* link) {
  note_thread_entered();
  int idle_count = 0;
  for (;;) {
    int n = -1;
    if (serial_port* port = link->port.load()) n = serial_read(port, link->read_buf, READ_SIZE);
    if (link->stop_requested.load()) {
      trace_line("thread out");
      return;
    }
    if (n <= 0) {
      note_empty_read(*link, idle_count);
      continue;
    }
    idle_count = 0;
    process_read(*link, static_cast<std::size_t>(n));
  }
}

}  // namespace scale_link
