// Times etsa_exit under Wine: from the call to the reader's "thread out" line, and to etsa_exit's
// return (the reader has ended by then). Wine cannot cancel a synchronous serial read, so the
// reader finishes the read it is in: up to 281 ms on a silent line, less while frames arrive.
// Prints a table; never a pass/fail result.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "scale_end_win.h"
#include "scale_frames.h"
#include "weighport.h"

using namespace std::chrono;
using Clock = steady_clock;

namespace {

std::atomic<long long> thread_out_at{0};  // Clock ticks of the last "thread out"

long long now_ticks() { return Clock::now().time_since_epoch().count(); }

// Reads the library's standard output from a pipe and notes when "thread out" arrives.
void watch(HANDLE pipe_read)
{
  std::string line;
  char buf[256];
  DWORD got = 0;
  while (ReadFile(pipe_read, buf, sizeof buf, &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      if (buf[i] == '\n') {
        if (line.rfind("thread out", 0) == 0)
          thread_out_at.store(now_ticks());
        line.clear();
      } else if (buf[i] != '\r')
        line += buf[i];
    }
  }
}

struct Stats {
  double median, p90, max;
};

Stats stats(std::vector<double> v)
{
  std::sort(v.begin(), v.end());
  auto at = [&](double q) { return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))]; };
  return {at(0.5), at(0.9), v.back()};
}

}  // namespace

int main(int argc, char **argv)
{
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  wine_test::ScaleEnd scale;
  if (!scale.connect()) {
    std::fprintf(stderr, "exit bench: %s\n", scale.error().c_str());
    return 2;
  }
  // The library's trace goes into a pipe; the table goes to the original standard output.
  HANDLE r = nullptr, w = nullptr;
  CreatePipe(&r, &w, nullptr, 0);
  std::fflush(stdout);
  const int saved = _dup(1);
  _dup2(_open_osfhandle(reinterpret_cast<intptr_t>(w), _O_WRONLY), 1);
  std::thread watcher(watch, r);
  FILE *table = _fdopen(saved, "w");

  const std::string port = wine_test::com_name();
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> phase(0, 300);
  std::fprintf(table, "%-34s %8s %8s %8s\n", "etsa_exit under Wine (ms)", "median", "p90", "max");
  for (int with_frames = 0; with_frames < 2; ++with_frames) {
    std::vector<double> to_thread_out, to_return;
    for (int i = 0; i < rounds; ++i) {
      if (etsa_init_normal(port.c_str()) != 1) {
        std::fprintf(table, "etsa_init_normal failed\n");
        return 1;
      }
      std::atomic<bool> stop{false};
      std::thread feeder;
      if (with_frames)
        feeder = std::thread([&] {
          scale_sim::weight_values v;
          while (!stop) {
            v.w++;
            scale.write(scale_sim::weight_frame(v));
            std::this_thread::sleep_for(100ms);
          }
        });
      std::this_thread::sleep_for(milliseconds(300 + phase(rng)));  // anywhere in a read
      thread_out_at.store(0);
      const auto t0 = Clock::now();
      etsa_exit();
      const auto t1 = Clock::now();
      stop = true;
      if (feeder.joinable())
        feeder.join();
      for (int k = 0; k < 200 && thread_out_at.load() == 0; ++k)
        std::this_thread::sleep_for(1ms);
      const long long out = thread_out_at.load();
      to_return.push_back(duration<double, std::milli>(t1 - t0).count());
      if (out != 0)
        to_thread_out.push_back(duration<double, std::milli>(Clock::duration(out) - t0.time_since_epoch()).count());
      scale.drain(50ms);
    }
    const char *what = with_frames ? "frames every 100 ms" : "silent scale";
    for (int k = 0; k < 2; ++k) {
      const auto &v = k == 0 ? to_thread_out : to_return;
      if (v.empty())
        continue;
      Stats s = stats(v);
      std::string label = std::string(what) + (k == 0 ? ", to \"thread out\"" : ", to return");
      std::fprintf(table, "%-34s %8.1f %8.1f %8.1f\n", label.c_str(), s.median, s.p90, s.max);
    }
  }
  std::fprintf(table, "(%d rounds each; a read lasts at most 25 ms + 256 x 1 ms = 281 ms)\n", rounds);
  std::fflush(table);
  std::fflush(stdout);
  _dup2(saved, 1);  // also closes the pipe's write end
  watcher.detach();
  return 0;
}
