#include <iostream>
#include <mutex>

#include "scale_link.h"

namespace scale_link {

namespace {
// One line at a time: the read line switches the stream's base, which other lines must not see.
SCALE_LINK_CONSTINIT std::mutex trace_mutex;
}  // namespace

void trace_line(const char* text) {
  std::lock_guard<std::mutex> guard(trace_mutex);
  std::cout << text << std::endl;
}

void trace_com_name(const char* name) {
  std::lock_guard<std::mutex> guard(trace_mutex);
  std::cout << "the com name is:" << name << std::endl;
}

void trace_read(std::size_t n, std::uint32_t weight, std::uint32_t flags) {
  std::lock_guard<std::mutex> guard(trace_mutex);
  std::cout << "read:" << n << " bytes " << "weight:" << weight << " flag:0x" << std::hex << flags
            << std::dec << std::endl;
}

}  // namespace scale_link
