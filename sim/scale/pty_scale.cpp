#include "pty_scale.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace scale_sim {

namespace {
void make_raw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return;
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
}
}  // namespace

pty_scale::pty_scale() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  master_fd_ = master;
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    if (master >= 0) ::close(master);
    throw std::runtime_error("no pseudo-terminal available");
  }
  char name[128];
  if (ptsname_r(master, name, sizeof name) != 0) {
    ::close(master);
    throw std::runtime_error("no pseudo-terminal name");
  }
  slave_path_ = name;
  slave_fd_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_fd_ >= 0) make_raw(slave_fd_);
  make_raw(master);
}

pty_scale::~pty_scale() {
  close_master();
  if (slave_fd_ >= 0) ::close(slave_fd_);
}

bool pty_scale::write(const bytes& b) {
  std::size_t done = 0;
  while (done < b.size()) {
    const int fd = master_fd_.load();
    if (fd < 0) return false;
    const ssize_t w = ::write(fd, b.data() + done, b.size() - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
    } else if (w < 0 && errno != EINTR && errno != EAGAIN) {
      return false;
    }
  }
  return true;
}

bool pty_scale::write_paced(const bytes& b, int baud) {
  // 10 bits a byte on the line: start, 8 data, stop.
  const auto per_byte = std::chrono::microseconds(10'000'000 / baud);
  auto next = std::chrono::steady_clock::now();
  for (std::uint8_t c : b) {
    next += per_byte;
    std::this_thread::sleep_until(next);
    if (!write(bytes{c})) return false;
  }
  return true;
}

bytes pty_scale::read_sent(std::chrono::milliseconds wait) {
  bytes out;
  auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const int fd = master_fd_.load();
    if (fd < 0) return out;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return out;
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0 || (p.revents & POLLIN) == 0) return out;
    std::uint8_t buf[256];
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got <= 0) return out;
    out.insert(out.end(), buf, buf + got);
    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
  }
}

int pty_scale::pending_for_slave() const {
  int n = 0;
  if (slave_fd_ < 0 || ::ioctl(slave_fd_, FIONREAD, &n) != 0) return -1;
  return n;
}

bool pty_scale::wait_taken(std::chrono::milliseconds wait) const {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (pending_for_slave() > 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void pty_scale::drop_unread(int keep) {
  if (slave_fd_ >= 0 && pending_for_slave() > keep) tcflush(slave_fd_, TCIFLUSH);
}

void pty_scale::close_master() {
  const int fd = master_fd_.exchange(-1);
  if (fd >= 0) ::close(fd);
}

}  // namespace scale_sim
