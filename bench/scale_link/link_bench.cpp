// Timings of the scale link through its C interface, with the scale on a pseudo-terminal.
// Prints "key value" lines on its standard error; bench/scale_link/run turns them into a table.
//   link_bench latency N     frame's last byte written -> etsa_get_weight shows it
//   link_bench exit N        etsa_exit -> reader ended ("thread out" written) and port closed
//   link_bench applied POLLERS PERIOD_US FRAMES   frames applied / sent under polling callers
//   link_bench allocs SECONDS   heap allocations per read in the library's threads
//   link_bench idle SECONDS     CPU of an open session with a silent scale
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "pty_scale.h"
#include "scale_frames.h"
#include "weighport.h"

using clk = std::chrono::steady_clock;

// Heap allocations, counted in every thread not marked as the benchmark's own.
namespace {
std::atomic<long> allocations{0};
std::atomic<bool> counting{false};
thread_local bool bench_thread = false;
}  // namespace

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* malloc(size_t n) {
  if (counting.load(std::memory_order_relaxed) && !bench_thread) allocations.fetch_add(1);
  return __libc_malloc(n);
}
void* calloc(size_t a, size_t b) {
  if (counting.load(std::memory_order_relaxed) && !bench_thread) allocations.fetch_add(1);
  return __libc_calloc(a, b);
}
void* realloc(void* p, size_t n) {
  if (counting.load(std::memory_order_relaxed) && !bench_thread) allocations.fetch_add(1);
  return __libc_realloc(p, n);
}
}

namespace {

FILE* report = stderr;

// The library's trace lines go to standard output; a thread reads them from a pipe so that the
// benchmark sees each read ("read:<n> bytes weight:<w> ...").
class trace_reader {
 public:
  trace_reader() {
    int p[2];
    if (pipe(p) != 0) std::abort();
    std::fflush(stdout);
    dup2(p[1], STDOUT_FILENO);
    close(p[1]);
    fd_ = p[0];
    thread_ = std::thread([this] { run(); });
  }
  ~trace_reader() {
    std::fflush(stdout);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDOUT_FILENO);  // closes the pipe's write end: the thread sees the end
    close(devnull);
    thread_.join();
    close(fd_);
  }
  long reads() const { return reads_.load(); }
  long applied() const { return applied_.load(); }
  // Weight values that the next reads should show; a read showing the expected one counts.
  void expect(long w) { expected_.store(w); }

 private:
  void run() {
    bench_thread = true;
    std::string line;
    char buf[4096];
    for (;;) {
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) return;
      for (ssize_t i = 0; i < n; ++i) {
        if (buf[i] != '\n') {
          line += buf[i];
          continue;
        }
        if (line.rfind("read:", 0) == 0) {
          reads_.fetch_add(1);
          const auto pos = line.find("weight:");
          const long w = pos == std::string::npos ? -1 : std::atol(line.c_str() + pos + 7);
          if (w == expected_.load()) {
            applied_.fetch_add(1);
            expected_.store(-1);
          }
        }
        line.clear();
      }
    }
  }
  int fd_;
  std::thread thread_;
  std::atomic<long> reads_{0}, applied_{0}, expected_{-1};
};

double pct(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p / 100.0 * v.size()));
  return v[i];
}

int latency(int n) {
  scale_sim::pty_scale pty;
  if (etsa_init_normal(pty.slave_path().c_str()) != 1) return 1;
  std::vector<double> ms;
  int missed = 0;
  for (int i = 0; i < n; ++i) {
    const int w = 1000 + (i % 2);  // alternate so that every frame changes the weight
    const scale_sim::bytes f = scale_sim::weight_frame({w, 0, 0, 0, 0, 0, 0});
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    pty.write(f);
    const auto t0 = clk::now();
    bool seen = true;
    while (etsa_get_weight() != w) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
      if (clk::now() - t0 > std::chrono::milliseconds(400)) {
        seen = false;  // the update met a busy lock and was dropped
        break;
      }
    }
    if (seen)
      ms.push_back(std::chrono::duration<double, std::milli>(clk::now() - t0).count());
    else
      ++missed;
  }
  if (ms.empty()) return 2;
  etsa_exit();
  std::fprintf(report, "latency_median_ms %.2f\nlatency_p99_ms %.2f\nlatency_samples %d\nlatency_missed %d\n",
               pct(ms, 50), pct(ms, 99), n, missed);
  return 0;
}

int exit_time(int n) {
  scale_sim::pty_scale pty;
  std::vector<double> ms;
  for (int i = 0; i < n; ++i) {
    if (etsa_init_normal(pty.slave_path().c_str()) != 1) return 1;
    // Let the reader settle into a read that would last up to 281 ms.
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + (i * 7) % 200));
    const auto t0 = clk::now();
    etsa_exit();  // returns once the reader wrote "thread out" and ended
    ms.push_back(std::chrono::duration<double, std::milli>(clk::now() - t0).count());
  }
  std::fprintf(report, "exit_median_ms %.3f\nexit_max_ms %.3f\nexit_samples %d\n", pct(ms, 50),
               pct(ms, 100), n);
  return 0;
}

int applied(int pollers, int period_us, int frames) {
  bench_thread = true;
  scale_sim::pty_scale pty;
  trace_reader trace;
  if (etsa_init_normal(pty.slave_path().c_str()) != 1) return 1;
  etsa_set_debuge_mode();
  std::atomic<bool> done{false};
  std::vector<std::thread> callers;
  for (int i = 0; i < pollers; ++i) {
    callers.emplace_back([&] {
      bench_thread = true;
      while (!done.load(std::memory_order_relaxed)) {
        etsa_get_weight();
        etsa_get_flags();
        etsa_get_tare();
        etsa_get_flag_and_weight();
        if (period_us > 0) std::this_thread::sleep_for(std::chrono::microseconds(period_us));
      }
    });
  }
  auto next = clk::now();
  for (int i = 0; i < frames; ++i) {
    next += std::chrono::milliseconds(100);
    const int w = 2000 + i;
    trace.expect(w);
    pty.write_paced(scale_sim::weight_frame({w, 0, 0, 0, 0, 0, 0}), 9600);
    std::this_thread::sleep_until(next);
  }
  done.store(true);
  for (auto& t : callers) t.join();
  etsa_exit();
  std::fprintf(report, "applied_%d_%d %ld\nsent_%d_%d %d\n", pollers, period_us, trace.applied(), pollers,
               period_us, frames);
  return 0;
}

int allocs(int seconds) {
  bench_thread = true;
  scale_sim::pty_scale pty;
  trace_reader trace;
  if (etsa_init_normal(pty.slave_path().c_str()) != 1) return 1;
  etsa_set_debuge_mode();
  const scale_sim::bytes f = scale_sim::concat(
      {scale_sim::weight_frame({-1, 2, 1, 0, 0, 0, 0}), scale_sim::short_frame(0x05, 2)});
  auto send_for = [&](std::chrono::milliseconds d) {
    const auto end = clk::now() + d;
    while (clk::now() < end) {
      ::write(pty.master_fd(), f.data(), f.size());
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
  };
  send_for(std::chrono::milliseconds(500));  // warm-up
  const long reads0 = trace.reads();
  counting.store(true);
  send_for(std::chrono::seconds(seconds));
  counting.store(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const long reads = trace.reads() - reads0;
  etsa_exit();
  std::fprintf(report, "alloc_reads %ld\nalloc_count %ld\n", reads, allocations.load());
  return 0;
}

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int idle(int seconds) {
  scale_sim::pty_scale pty;
  if (etsa_init_normal(pty.slave_path().c_str()) != 1) return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const double c0 = cpu_seconds();
  const auto t0 = clk::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double cpu = cpu_seconds() - c0;
  const double wall = std::chrono::duration<double>(clk::now() - t0).count();
  etsa_exit();
  std::fprintf(report, "idle_cpu_percent %.3f\n", 100.0 * cpu / wall);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string mode = argv[1];
  auto arg = [&](int i, int def) { return argc > i ? std::atoi(argv[i]) : def; };
  if (mode == "latency") return latency(arg(2, 200));
  if (mode == "exit") return exit_time(arg(2, 50));
  if (mode == "applied") return applied(arg(2, 16), arg(3, 100), arg(4, 50));
  if (mode == "allocs") return allocs(arg(2, 3));
  if (mode == "idle") return idle(arg(2, 5));
  return 2;
}
