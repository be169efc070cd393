// Win32 serial layer: the port is one synchronous (non-overlapped) handle; reads and writes are
// bounded by the port's time-outs, not by waits of our own.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <new>

#include "serial_port.h"
#include "serial_settings_win32.h"

namespace scale_link {

struct serial_port {
  HANDLE handle = INVALID_HANDLE_VALUE;
  // Held while the port is open, so that the library stays loaded as long as a reader may run
  // on it, even when the host unloads the library with a session open. Dropped by serial_close,
  // which runs only after the reader has ended.
  HMODULE module_ref = nullptr;
  HANDLE wake_event = nullptr;
  std::atomic<bool> woken{false};
  // in_read changes only under read_state, and a cancel is issued only under it while in_read
  // holds, so that a cancel can never hit other I/O of the reader (its trace lines).
  std::mutex read_state;
  bool in_read = false;
  std::atomic<HANDLE> reader{nullptr};  // the thread that reads, for cancelling its read
};

namespace {

HMODULE pin_this_module()
{
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(reinterpret_cast<void *>(&serial_open)), &self))
    return nullptr;
  return self;
}

}  // namespace

// Set by DllMain when the process is ending: the loader is tearing everything down and must not
// be asked to unload anything.
std::atomic<bool> g_process_ending{false};

serial_port *serial_open(const char *name)
{
  if (name == nullptr)
    return nullptr;
  HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return nullptr;

  COMMTIMEOUTS timeouts = scale_port_timeouts();
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  bool ok = SetupComm(h, QUEUE_SIZE, QUEUE_SIZE) && SetCommTimeouts(h, &timeouts) && GetCommState(h, &dcb);
  if (ok) {
    apply_line_settings(dcb);
    ok = SetCommState(h, &dcb);
  }
  serial_port *port = ok ? new (std::nothrow) serial_port : nullptr;
  if (port != nullptr) {
    port->wake_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (port->wake_event == nullptr) {
      delete port;
      port = nullptr;
    }
  }
  if (port == nullptr) {
    CloseHandle(h);
    return nullptr;
  }
  port->handle = h;
  port->module_ref = pin_this_module();
  return port;
}

int serial_read(serial_port *port, std::uint8_t *buf, std::size_t cap)
{
  if (port->reader.load() == nullptr) {
    HANDLE self = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                        DUPLICATE_SAME_ACCESS))
      port->reader.store(self);
  }
  {
    // in_read before woken, and the waker the other way round: one of the two sees the other.
    std::lock_guard<std::mutex> guard(port->read_state);
    if (port->woken.load())
      return 0;
    port->in_read = true;
  }
  DWORD got = 0;
  const DWORD started = GetTickCount();
  const BOOL ok = ReadFile(port->handle, buf, static_cast<DWORD>(cap), &got, nullptr);
  {
    std::lock_guard<std::mutex> guard(port->read_state);
    port->in_read = false;
  }
  if (ok)
    return static_cast<int>(got);
  if (port->woken.load())
    return static_cast<int>(got);
  // A failing port (a USB adapter pulled out) fails at once: wait out the read's time-out so that
  // the reader does not spin on it; a wake ends the wait.
  const DWORD budget = static_cast<DWORD>(READ_TOTAL_CONSTANT_MS + cap * READ_TOTAL_PER_BYTE_MS);
  const DWORD spent = GetTickCount() - started;
  if (spent < budget)
    WaitForSingleObject(port->wake_event, budget - spent);
  return -1;
}

int serial_write(serial_port *port, const std::uint8_t *bytes, std::size_t n)
{
  DWORD written = 0;
  if (!WriteFile(port->handle, bytes, static_cast<DWORD>(n), &written, nullptr))
    return -1;
  return static_cast<int>(written);
}

void serial_wake(serial_port *port)
{
  port->woken.store(true);
  SetEvent(port->wake_event);
  // A synchronous read can only be ended from outside by cancelling it. Where that is not
  // possible (Wine's serial driver), the read ends at its time-out, 281 ms at most.
  PurgeComm(port->handle, PURGE_RXABORT);
  HANDLE reader = port->reader.load();
  if (reader == nullptr)
    return;
  // The reader may have flagged its read without having entered it yet: retry briefly.
  for (int attempt = 0; attempt < 20; ++attempt) {
    {
      std::lock_guard<std::mutex> guard(port->read_state);
      if (!port->in_read || CancelSynchronousIo(reader) || GetLastError() != ERROR_NOT_FOUND)
        return;
    }
    Sleep(1);
  }
}

bool serial_close(serial_port *port)
{
  const bool closed = CloseHandle(port->handle) != 0;
  if (HANDLE reader = port->reader.load())
    CloseHandle(reader);
  CloseHandle(port->wake_event);
  HMODULE module_ref = port->module_ref;
  delete port;
  // Never the last reference on this path: the host still holds the library while it calls
  // etsa_exit, and at process end the loader unloads nothing further.
  if (module_ref != nullptr && !g_process_ending.load())
    FreeLibrary(module_ref);
  return closed;
}

}  // namespace scale_link
