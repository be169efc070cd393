// The exported interface and the session's beginning and end.
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include "entry_point.h"
#include "scale_link.h"
#include "weighport.h"

namespace scale_link {

SCALE_LINK_CONSTINIT ScaleLink g_link;
constinit std::atomic<bool> g_debug_mode{false};
SCALE_LINK_CONSTINIT std::mutex g_session_mutex;

namespace {

// The session's reader. Kept (not detached) so that the session can end it before the port is
// closed: a reader left blocking on a closed descriptor could read whatever file reuses its number.
constinit std::thread* reader_thread = nullptr;

char com_name_echo[64];
char weight_text_copy[128];

// Stops the reader, waits for it to end, closes the port. Caller holds g_session_mutex.
// Returns the close result: true when an open port was closed.
bool end_session(ScaleLink& link) {
  link.stop_requested.store(true);
  serial_port* port = link.port.load();
  if (reader_thread != nullptr) {
    if (port != nullptr) serial_wake(port);
    reader_thread->join();
    delete reader_thread;
    reader_thread = nullptr;
  }
  if (port == nullptr) return false;
  link.port.store(nullptr);
  return serial_close(port);
}

}  // namespace

void on_process_detach() {
  trace_line("DLL_PROCESS_DETACH");
  std::lock_guard<std::mutex> guard(g_session_mutex);
  end_session(g_link);
}

void on_thread_detach() { trace_line("DLL_THREAD_DETACH"); }

}  // namespace scale_link

using namespace scale_link;

extern "C" {

char* etsa_com_name_test(const char* name) {
  note_thread_entered();
  if (name == nullptr) name = "";
  trace_com_name(name);
  // Longer names are cut to the buffer.
  const std::size_t len = strnlen(name, sizeof com_name_echo - 1);
  std::memcpy(com_name_echo, name, len);
  com_name_echo[len] = '\0';
  return com_name_echo;
}

int etsa_init_normal(const char* port_name) {
  note_thread_entered();
  if (port_name == nullptr) return -1;
  std::lock_guard<std::mutex> guard(g_session_mutex);
  // One session at a time: a second open of the held port would fail the same way.
  if (g_link.port.load() != nullptr) return -1;
  if (open_scale_port(g_link, port_name) != 1) return -1;
  g_link.stop_requested.store(false);
  g_debug_mode.store(false);
  try {
    reader_thread = new std::thread(reader_loop, &g_link);
  } catch (const std::exception&) {
    reader_thread = nullptr;
    end_session(g_link);
    return -1;
  }
  return 1;
}

int etsa_exit(void) {
  note_thread_entered();
  std::lock_guard<std::mutex> guard(g_session_mutex);
  return end_session(g_link) ? 1 : 0;
}

void etsa_set_debuge_mode(void) {
  note_thread_entered();
  g_debug_mode.store(true);
}

char* etsa_get_weight_string(void) {
  note_thread_entered();
  std::lock_guard<std::mutex> guard(g_link.lock);
  // weight_text never holds more than 92 characters; cut anyway rather than trust that.
  const std::size_t len = strnlen(g_link.weight_text, sizeof weight_text_copy - 1);
  std::memcpy(weight_text_copy, g_link.weight_text, len);
  weight_text_copy[len] = '\0';
  return weight_text_copy;
}

int etsa_get_flag_and_weight(void) {
  note_thread_entered();
  std::lock_guard<std::mutex> guard(g_link.lock);
  return static_cast<int>(g_link.weight | (g_link.flags << 24));
}

int etsa_get_weight(void) {
  note_thread_entered();
  std::lock_guard<std::mutex> guard(g_link.lock);
  const std::uint32_t w = g_link.weight;
  return static_cast<int>((g_link.flags & FLAG_NEGATIVE) != 0 ? 0u - w : w);
}

int etsa_get_flags(void) {
  note_thread_entered();
  std::lock_guard<std::mutex> guard(g_link.lock);
  return static_cast<int>(g_link.flags);
}

int etsa_get_tare(void) {
  note_thread_entered();
  std::lock_guard<std::mutex> guard(g_link.lock);
  return g_link.tare;
}

int etsa_zero(void) {
  note_thread_entered();
  return issue_command(g_link, CMD_ZERO, 0);
}

int etsa_tare(void) {
  note_thread_entered();
  return issue_command(g_link, CMD_TARE, 0);
}

int etsa_set_tare(int tare) {
  note_thread_entered();
  return issue_command(g_link, CMD_PRESET_TARE, static_cast<std::uint32_t>(tare));
}

int etsa_set_overflow_alarm(unsigned char value) {
  note_thread_entered();
  return issue_command(g_link, CMD_OVERFLOW_ALARM, value);
}

}  // extern "C"
