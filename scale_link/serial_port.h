// The serial layer: the few port operations the scale link needs, one implementation per platform
// (serial_port_posix.cpp, serial_port_win32.cpp); CMake picks the file. The shared logic sees only
// this header.
//
// Contract for an implementation:
//
//   serial_open(name)
//     Opens the device named exactly `name` (no prefix added) for reading and writing, held
//     exclusively: a second serial_open of the same device, from this process or another, fails.
//     Sets 9600 baud, 8 data bits, no parity, one stop bit and leaves every other line setting
//     as the port had it; sets the read and write time-outs below. Returns nullptr on any
//     failure, with nothing left open. Never blocks waiting for a carrier or a peer.
//
//   serial_read(port, buf, cap)           (cap is at most 256; called by the reader thread only)
//     Returns when cap bytes have arrived, when 25 ms pass after a received byte with no further
//     byte, or after 25 ms + cap x 1 ms in all, whichever comes first, with the number of bytes
//     received (0 when nothing came). Returns -1 when the device failed (a pulled cable, a closed
//     peer); a failed read takes as long as a read that brought nothing, so that a dead port is
//     not polled in a busy loop. Interrupted system calls are not failures. After serial_wake,
//     a read in progress returns at once with what it has, and every later read returns at once.
//
//   serial_write(port, bytes, n)          (any thread, concurrently with serial_read)
//     Writes the bytes, bounded to 5 ms + n x 5 ms. Returns the number written or -1; callers
//     need not check it.
//
//   serial_wake(port)                     (any thread, concurrently with serial_read)
//     Makes the reader's current and all later serial_read calls on this port return at once.
//     Used by etsa_exit so that it need not wait out a read.
//
//   serial_close(port)
//     Closes the device and frees `port`. Called only once no read or write can be running on it.
//     Returns true when the close succeeded.
#pragma once

#include <cstddef>
#include <cstdint>

namespace scale_link {

struct serial_port;  // defined by each platform's file

serial_port* serial_open(const char* name);
int serial_read(serial_port* port, std::uint8_t* buf, std::size_t cap);
int serial_write(serial_port* port, const std::uint8_t* bytes, std::size_t n);
void serial_wake(serial_port* port);
bool serial_close(serial_port* port);

// The read time-outs, shared by every platform.
constexpr int READ_INTERVAL_MS = 25;
constexpr int READ_TOTAL_PER_BYTE_MS = 1;
constexpr int READ_TOTAL_CONSTANT_MS = 25;
constexpr int WRITE_TOTAL_PER_BYTE_MS = 5;
constexpr int WRITE_TOTAL_CONSTANT_MS = 5;
constexpr std::size_t QUEUE_SIZE = 1024;

}  // namespace scale_link
