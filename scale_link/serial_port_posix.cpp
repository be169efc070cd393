// Serial layer for Linux: termios in raw mode, exclusive use, and the Windows-style read time-outs
// kept in user space with poll on the monotonic clock (VTIME counts in 100 ms steps).
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

#include "serial_port.h"
#include "serial_termios_posix.h"

namespace scale_link {

struct serial_port {
  int fd;
  int wake_fd;  // eventfd: readable once serial_wake was called
};

using clock = std::chrono::steady_clock;

namespace {

// Time left until the deadline, for ppoll: poll's whole milliseconds would add up to 1 ms to every
// 25 ms silence.
timespec time_until(clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - clock::now()).count();
  if (left <= 0) return timespec{0, 0};
  return timespec{static_cast<time_t>(left / 1'000'000'000), static_cast<long>(left % 1'000'000'000)};
}

bool is_zero(const timespec& t) { return t.tv_sec == 0 && t.tv_nsec == 0; }

int wait_fds(pollfd* fds, nfds_t n, clock::time_point deadline) {
  const timespec left = time_until(deadline);
  return ::ppoll(fds, n, &left, nullptr);
}

void close_fd(int fd) {
  // Linux closes the descriptor even when close reports EINTR: never retry.
  if (fd >= 0) ::close(fd);
}

// Waits on the wake descriptor alone until the deadline: a failed read takes as long as an empty
// one, so a dead port is not polled in a busy loop. True when woken.
bool wait_for_wake(const serial_port* port, clock::time_point deadline) {
  for (;;) {
    pollfd p{port->wake_fd, POLLIN, 0};
    const int r = wait_fds(&p, 1, deadline);
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

}  // namespace

void set_raw_mode(termios& t) {
  // What Windows does not do to serial data: no line editing, echo, signals or translations.
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  // Reads are timed with poll; the driver's own timer stays off.
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  t.c_cflag |= CREAD | CLOCAL;
}

void set_line_9600_8n1(termios& t) {
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
  t.c_cflag |= CS8;
  t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
}

// QUEUE_SIZE has no counterpart here: a Linux tty's buffers belong to the driver.
serial_port* serial_open(const char* name) {
  if (name == nullptr || name[0] == '\0') return nullptr;
  // Non-blocking: the open must not wait for a carrier, and reads and writes are timed by poll.
  const int fd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;

  termios t{};
  // flock holds the port against other open descriptions, in this process too (TIOCEXCL alone
  // does not stop root); tcgetattr refuses what is not a terminal (/dev/null, a regular file).
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::tcgetattr(fd, &t) != 0 ||
      ::ioctl(fd, TIOCEXCL) != 0) {
    close_fd(fd);
    return nullptr;
  }
  set_raw_mode(t);
  set_line_9600_8n1(t);
  if (::tcsetattr(fd, TCSANOW, &t) != 0) {
    ::ioctl(fd, TIOCNXCL);
    close_fd(fd);
    return nullptr;
  }
  const int wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_fd < 0) {
    ::ioctl(fd, TIOCNXCL);
    close_fd(fd);
    return nullptr;
  }
  serial_port* port = new (std::nothrow) serial_port{fd, wake_fd};
  if (port == nullptr) {
    ::ioctl(fd, TIOCNXCL);
    close_fd(fd);
    close_fd(wake_fd);
  }
  return port;
}

int serial_read(serial_port* port, std::uint8_t* buf, std::size_t cap) {
  const auto start = clock::now();
  const auto total_deadline =
      start + std::chrono::milliseconds(READ_TOTAL_CONSTANT_MS +
                                        READ_TOTAL_PER_BYTE_MS * static_cast<int>(cap));
  std::size_t n = 0;
  clock::time_point last_byte{};
  for (;;) {
    if (n == cap) return static_cast<int>(n);
    auto deadline = total_deadline;
    if (n > 0) deadline = std::min(deadline, last_byte + std::chrono::milliseconds(READ_INTERVAL_MS));
    if (n > 0 && is_zero(time_until(deadline))) return static_cast<int>(n);

    pollfd p[2] = {{port->fd, POLLIN, 0}, {port->wake_fd, POLLIN, 0}};
    const int r = wait_fds(p, 2, deadline);
    if (r < 0) {
      if (errno == EINTR) continue;
      if (n > 0) return static_cast<int>(n);
      wait_for_wake(port, total_deadline);
      return -1;
    }
    if (p[1].revents != 0) return static_cast<int>(n);
    if (r == 0) {
      if (clock::now() < deadline) continue;
      return static_cast<int>(n);
    }
    if ((p[0].revents & POLLIN) != 0) {
      const ssize_t got = ::read(port->fd, buf + n, cap - n);
      if (got > 0) {
        n += static_cast<std::size_t>(got);
        last_byte = clock::now();
        continue;
      }
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    }
    // Hang-up or error: the device is gone (a pulled cable, a closed peer).
    if (n > 0) return static_cast<int>(n);
    wait_for_wake(port, total_deadline);
    return -1;
  }
}

int serial_write(serial_port* port, const std::uint8_t* bytes, std::size_t n) {
  const auto deadline =
      clock::now() + std::chrono::milliseconds(WRITE_TOTAL_CONSTANT_MS +
                                               WRITE_TOTAL_PER_BYTE_MS * static_cast<int>(n));
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(port->fd, bytes + done, n - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN) return done > 0 ? static_cast<int>(done) : -1;
    if (is_zero(time_until(deadline))) break;
    pollfd p{port->fd, POLLOUT, 0};
    const int r = wait_fds(&p, 1, deadline);
    if (r < 0 && errno != EINTR) break;
    if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
  }
  return done > 0 || n == 0 ? static_cast<int>(done) : -1;
}

void serial_wake(serial_port* port) {
  const std::uint64_t one = 1;
  // The counter stays nonzero, so every later poll sees it too.
  ssize_t r;
  do {
    r = ::write(port->wake_fd, &one, sizeof one);
  } while (r < 0 && errno == EINTR);
}

bool serial_close(serial_port* port) {
  if (port == nullptr) return false;
  // Exclusive use is a property of the terminal: release it, or the next open fails for non-root.
  ::ioctl(port->fd, TIOCNXCL);
  const bool ok = ::close(port->fd) == 0 || errno == EINTR;
  close_fd(port->wake_fd);
  delete port;
  return ok;
}

}  // namespace scale_link
