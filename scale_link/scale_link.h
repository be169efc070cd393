// The process-wide scale session record and the functions that work on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <type_traits>

#include "frames.h"
#include "serial_port.h"

namespace scale_link {

struct ScaleLink {
  std::mutex lock;  // guards flags, weight, tare, weight_text, pending_code, pending_result
  std::uint32_t flags = 0;
  std::uint32_t weight = 0;  // magnitude; the sign is FLAG_NEGATIVE
  std::int32_t tare = 0;
  // Written under lock only; atomic so that the reader can skip the lock for frames that cannot be
  // an acknowledgement.
  std::atomic<std::uint8_t> pending_code{0};
  std::int32_t pending_result = 0;
  std::atomic<serial_port*> port{nullptr};
  std::uint8_t read_buf[READ_SIZE] = {};
  char weight_text[256] = {};
  std::atomic<bool> stop_requested{false};
};

// The record must outlive every thread that may still touch it during the process's teardown.
// MinGW's std::mutex sets up and destroys a winpthread mutex at run time, so on Windows the
// record and the mutexes are built by the DLL's static initialisation, which the loader finishes
// before any export can run, and no reader outlives the DLL (it holds the DLL loaded).
#if defined(_WIN32)
#define SCALE_LINK_CONSTINIT
#else
#define SCALE_LINK_CONSTINIT constinit
static_assert(std::is_trivially_destructible_v<ScaleLink>);
#endif

extern ScaleLink g_link;
extern std::atomic<bool> g_debug_mode;

// Serial link and command frames.
int open_scale_port(ScaleLink& link, const char* name);  // 1 or -1
void send_command_frame(ScaleLink& link, std::uint8_t code, std::uint32_t value);
int issue_command(ScaleLink& link, std::uint8_t code, std::uint32_t value);

// Reader thread and frame decoding.
void reader_loop(ScaleLink* link);
void handle_short_frame(ScaleLink& link, const std::uint8_t* frame);
void handle_weight_frame(ScaleLink& link, const std::uint8_t* frame);
// What the reader does with one read of n bytes (n >= 1): drop or scan, then the debug line.
void process_read(ScaleLink& link, std::size_t n);
// A read that failed or brought nothing: counts it, and clears weight and flags after ten in a row.
void note_empty_read(ScaleLink& link, int& idle_count);

// Trace lines on standard output: the text, a newline, a flush; whole lines even from many threads.
void trace_line(const char* text);
void trace_com_name(const char* name);
void trace_read(std::size_t n, std::uint32_t weight, std::uint32_t flags);

// Serialises the session's beginning and end and the command writes against the closing of the
// port, so that a command never writes on a port being closed.
extern std::mutex g_session_mutex;

}  // namespace scale_link
