// The scale's end of the cable for tests that run under Wine: wine-com-run holds the
// pseudo-terminal behind the COM port and relays its master over a loopback TCP connection.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wine_test {

// The COM name wine-com-run maps to a pty ("COM5" unless it was told otherwise).
std::string com_name();

// The line settings of the pty behind the COM port as wine-com-run reads them with tcgetattr,
// e.g. "9600 8N1 raw"; empty when not run under wine-com-run.
std::string line_settings();

class ScaleEnd {
public:
  ScaleEnd() = default;
  ~ScaleEnd();
  ScaleEnd(const ScaleEnd &) = delete;
  ScaleEnd &operator=(const ScaleEnd &) = delete;

  // Connects to the relay and waits until the COM port leads to a fresh pty.
  // False, with a reason in error(), when not run under wine-com-run.
  bool connect();
  const std::string &error() const { return error_; }

  // Writes the bytes to the scale's end in one piece.
  bool write(const void *data, size_t n);
  bool write(const std::vector<uint8_t> &bytes) { return write(bytes.data(), bytes.size()); }

  // Reads until `n` bytes have come or `timeout` has passed; returns what came.
  std::vector<uint8_t> read(size_t n, std::chrono::milliseconds timeout);
  // Everything that arrives until the line has been quiet for `quiet`.
  std::vector<uint8_t> drain(std::chrono::milliseconds quiet);

  // Pulls the cable: the pty's master is closed.
  void close();
  bool connected() const { return sock_ != invalid_socket; }

private:
  static constexpr uintptr_t invalid_socket = ~uintptr_t(0);
  uintptr_t sock_ = invalid_socket;
  std::string error_;
};

} // namespace wine_test
