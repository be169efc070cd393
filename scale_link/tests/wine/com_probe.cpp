// Proves that a Windows program under Wine reaches the harness's pty through "COM5", and shows
// how Wine honours the scale port's read time-outs. Prints one line per check; exit code 0 when
// bytes pass both ways.
#include "scale_end_win.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <thread>

using namespace std::chrono;
using wine_test::ScaleEnd;

namespace {

double ms_since(steady_clock::time_point t0)
{
  return duration<double, std::milli>(steady_clock::now() - t0).count();
}

DWORD timed_read(HANDLE h, double &ms)
{
  unsigned char buf[256];
  DWORD got = 0;
  auto t0 = steady_clock::now();
  if (!ReadFile(h, buf, sizeof buf, &got, nullptr))
    got = 0;
  ms = ms_since(t0);
  return got;
}

// How a read blocked in ReadFile can be ended from another thread.
void cancel_checks(HANDLE h)
{
  for (int way = 0; way < 2; ++way) {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    std::thread t([&] {
      std::this_thread::sleep_for(milliseconds(60));
      if (way == 0) {
        BOOL ok = CancelSynchronousIo(thread);
        std::printf("probe: CancelSynchronousIo %s (error %lu)\n", ok ? "ok" : "failed", ok ? 0 : GetLastError());
      } else {
        BOOL ok = PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR);
        std::printf("probe: PurgeComm %s\n", ok ? "ok" : "failed");
      }
    });
    unsigned char b[256];
    DWORD got = 0;
    auto t0 = steady_clock::now();
    BOOL r = ReadFile(h, b, sizeof b, &got, nullptr);
    DWORD e = r ? 0 : GetLastError();
    double ms = ms_since(t0);
    t.join();
    CloseHandle(thread);
    std::printf("probe: read ended by %s after %.1f ms: %s, error %lu\n", way == 0 ? "CancelSynchronousIo" : "PurgeComm", ms,
                r ? "ok" : "failed", e);
  }
}

} // namespace

int main()
{
  ScaleEnd scale;
  if (!scale.connect()) {
    std::printf("probe: %s\n", scale.error().c_str());
    return 2;
  }
  const std::string com = wine_test::com_name();
  HANDLE h = CreateFileA(com.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::printf("probe: CreateFileA(%s) failed, error %lu\n", com.c_str(), GetLastError());
    return 1;
  }
  COMMTIMEOUTS to{25, 1, 25, 5, 5};
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  bool ok = SetupComm(h, 1024, 1024) && SetCommTimeouts(h, &to) && GetCommState(h, &dcb);
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  ok = ok && SetCommState(h, &dcb);
  std::printf("probe: %s opened, set-up %s\n", com.c_str(), ok ? "ok" : "FAILED");

  double ms = 0;
  DWORD n = timed_read(h, ms);
  std::printf("probe: silent line: read %lu bytes in %.1f ms\n", n, ms);

  std::thread t([&] {
    std::this_thread::sleep_for(milliseconds(30));
    scale.write(std::string(26, 'A').data(), 26);
  });
  n = timed_read(h, ms);
  t.join();
  std::printf("probe: 26 bytes after 30 ms: read %lu bytes in %.1f ms\n", n, ms);
  bool passed_in = n == 26;

  t = std::thread([&] {
    std::this_thread::sleep_for(milliseconds(20));
    scale.write("0123456789", 10);
    std::this_thread::sleep_for(milliseconds(100));
    scale.write("0123456789", 10);
  });
  n = timed_read(h, ms);
  double ms2 = 0;
  DWORD n2 = timed_read(h, ms2);
  t.join();
  std::printf("probe: 10 bytes, 100 ms gap, 10 bytes: reads of %lu (%.1f ms) and %lu (%.1f ms)\n", n, ms, n2, ms2);

  const unsigned char frame[8] = {0x02, 0x02, 0, 0, 0, 0, 0x04, 0x03};
  DWORD written = 0;
  auto t0 = steady_clock::now();
  BOOL w = WriteFile(h, frame, sizeof frame, &written, nullptr);
  double wms = ms_since(t0);
  auto back = scale.read(8, milliseconds(1000));
  std::printf("probe: wrote %lu bytes (%s, %.1f ms), scale end received %zu\n", written, w ? "ok" : "failed", wms,
              back.size());
  bool passed_out = back.size() == 8 && std::equal(back.begin(), back.end(), frame);

  auto echo = scale.drain(milliseconds(100));
  std::printf("probe: echoed back to the scale end: %zu bytes\n", echo.size());

  cancel_checks(h);

  t = std::thread([&] {
    std::this_thread::sleep_for(milliseconds(50));
    scale.close();
  });
  n = timed_read(h, ms);
  double ms3 = 0;
  DWORD e3 = 0;
  unsigned char b[256];
  DWORD got3 = 0;
  t0 = steady_clock::now();
  BOOL r3 = ReadFile(h, b, sizeof b, &got3, nullptr);
  ms3 = ms_since(t0);
  if (!r3)
    e3 = GetLastError();
  t.join();
  std::printf("probe: cable pulled: read %lu in %.1f ms, then %s %lu bytes error %lu in %.1f ms\n", n, ms,
              r3 ? "ok" : "failed", got3, e3, ms3);
  std::printf("probe: CloseHandle %s\n", CloseHandle(h) ? "ok" : "failed");
  return passed_in && passed_out ? 0 : 1;
}
