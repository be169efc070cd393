// Decoding cost per frame: the scan of a read holding one weight frame, its checksum, the seven
// numbers, the text, and the store into a record (what the reader does after a read returns).
// Prints "key value" lines on standard error.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "frames.h"
#include "scale_frames.h"
#include "scale_link.h"

using clk = std::chrono::steady_clock;

int main() {
  scale_link::ScaleLink link;
  const scale_sim::bytes frame = scale_sim::weight_frame({-123456, 789, 1, 0, 1, 0, 1});
  std::copy(frame.begin(), frame.end(), link.read_buf);
  constexpr int per_round = 200000;
  std::vector<double> ns;
  for (int round = 0; round < 15; ++round) {
    const auto t0 = clk::now();
    for (int i = 0; i < per_round; ++i) {
      scale_link::process_read(link, frame.size());
      asm volatile("" ::: "memory");
    }
    ns.push_back(std::chrono::duration<double, std::nano>(clk::now() - t0).count() / per_round);
  }
  std::sort(ns.begin(), ns.end());
  // Decoding alone, without the record.
  scale_link::weight_reading r{};
  std::vector<double> ns2;
  for (int round = 0; round < 15; ++round) {
    const auto t0 = clk::now();
    for (int i = 0; i < per_round; ++i) {
      scale_link::decode_weight_frame(link.read_buf, r);
      asm volatile("" : : "r"(&r) : "memory");
    }
    ns2.push_back(std::chrono::duration<double, std::nano>(clk::now() - t0).count() / per_round);
  }
  std::sort(ns2.begin(), ns2.end());
  std::fprintf(stderr, "decode_read_ns %.1f\ndecode_frame_ns %.1f\n", ns[ns.size() / 2], ns2[ns2.size() / 2]);
  return link.weight == 123456 ? 0 : 1;
}
