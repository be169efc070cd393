// Helpers shared by the Windows end-to-end tests: the scale's end on COM5, waiting for the
// reader, capturing the library's trace, counting the process's handles and threads.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "scale_end_win.h"
#include "scale_frames.h"

namespace wine_test {

using namespace std::chrono_literals;
using scale_sim::bytes;

// Polls until `done` holds or `limit` has passed.
template <class F>
bool eventually(F done, std::chrono::milliseconds limit = std::chrono::milliseconds(3000))
{
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A read ends 25 ms after its last byte; this much silence on the line surely ends it, also on a
// busy machine under Wine.
constexpr auto READ_GAP = std::chrono::milliseconds(150);

// The library's trace, as lines without the CR that the Windows runtime adds.
class TraceCapture {
public:
  TraceCapture() { testing::internal::CaptureStdout(); }
  ~TraceCapture()
  {
    if (!taken_)
      testing::internal::GetCapturedStdout();
  }
  std::vector<std::string> lines()
  {
    taken_ = true;
    std::string all = testing::internal::GetCapturedStdout();
    std::vector<std::string> out;
    std::string line;
    for (char c : all) {
      if (c == '\r')
        continue;
      if (c == '\n') {
        out.push_back(line);
        line.clear();
      } else
        line += c;
    }
    if (!line.empty())
      out.push_back(line);
    return out;
  }

private:
  bool taken_ = false;
};

// The process's open handles, counted in the system's handle list (Wine's GetProcessHandleCount
// always says 0). The list's entries as the system lays them out (information class 16).
struct system_handle_entry {
  ULONG owner_pid;
  BYTE object_type;
  BYTE flags;
  USHORT value;
  void *object;
  ULONG access;
};

struct system_handle_list {
  ULONG count;
  system_handle_entry entries[1];
};

inline long handle_count()
{
  using query_fn = LONG(WINAPI *)(ULONG, void *, ULONG, ULONG *);
  static const auto query = reinterpret_cast<query_fn>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query)
    return -1;
  std::vector<system_handle_list> buf(1024);  // storage for a count and about 1000 entries
  for (;;) {
    ULONG len = 0;
    const LONG status = query(16, buf.data(), ULONG(buf.size() * sizeof buf[0]), &len);
    if (status == LONG(0xC0000004)) {  // too small
      buf.resize(buf.size() * 2);
      continue;
    }
    if (status != 0)
      return -1;
    break;
  }
  const system_handle_list &list = buf[0];
  const size_t room = (buf.size() * sizeof buf[0] - offsetof(system_handle_list, entries)) / sizeof(system_handle_entry);
  if (list.count > room)
    return -1;
  long n = 0;
  for (ULONG k = 0; k < list.count; ++k)
    if (list.entries[k].owner_pid == GetCurrentProcessId())
      ++n;
  return n;
}

inline int thread_count()
{
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE)
    return -1;
  THREADENTRY32 te{};
  te.dwSize = sizeof te;
  int n = 0;
  const DWORD pid = GetCurrentProcessId();
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
    if (te.th32OwnerProcessID == pid)
      ++n;
  CloseHandle(snap);
  return n;
}

}  // namespace wine_test
