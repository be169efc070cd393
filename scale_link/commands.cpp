#include <chrono>
#include <thread>

#include "scale_link.h"

namespace scale_link {

int open_scale_port(ScaleLink& link, const char* name) {
  serial_port* port = serial_open(name);
  if (port == nullptr) return -1;
  link.port.store(port);
  return 1;
}

void send_command_frame(ScaleLink& link, std::uint8_t code, std::uint32_t value) {
  const short_frame frame = build_short_frame(code, value);
  // Held across the write only, so that etsa_exit cannot close the port under it.
  std::lock_guard<std::mutex> guard(g_session_mutex);
  if (serial_port* port = link.port.load()) serial_write(port, frame.data(), frame.size());
}

int issue_command(ScaleLink& link, std::uint8_t code, std::uint32_t value) {
  {
    std::lock_guard<std::mutex> guard(link.lock);
    link.pending_code.store(code);
    link.pending_result = -1;
  }
  send_command_frame(link, code, value);
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  return 1;
}

}  // namespace scale_link
