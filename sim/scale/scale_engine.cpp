#include "scale_engine.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace scale_sim {

using clock = std::chrono::steady_clock;

scale_engine::scale_engine(pty_scale& pty) : pty_(pty) {}

scale_engine::~scale_engine() { stop(); }

void scale_engine::start() {
  std::lock_guard<std::mutex> g(m_);
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread(&scale_engine::run, this);
}

void scale_engine::stop() {
  {
    std::lock_guard<std::mutex> g(m_);
    stop_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void scale_engine::set_values(const weight_values& v) {
  std::lock_guard<std::mutex> g(m_);
  values_ = v;
}

weight_values scale_engine::values() const {
  std::lock_guard<std::mutex> g(m_);
  return values_;
}

void scale_engine::set_rate(double fps) {
  {
    std::lock_guard<std::mutex> g(m_);
    rate_ = fps < 0 ? 0 : fps;
    wake_ = true;
  }
  cv_.notify_all();
}

void scale_engine::set_pacing(int baud) {
  std::lock_guard<std::mutex> g(m_);
  baud_ = baud;
}

void scale_engine::set_silent(bool silent) {
  std::lock_guard<std::mutex> g(m_);
  silent_ = silent;
}

void scale_engine::inject(fault f) {
  std::lock_guard<std::mutex> g(m_);
  has_fault_ = true;
  fault_ = f;
}

std::uint32_t scale_engine::alarm() const {
  std::lock_guard<std::mutex> g(m_);
  return alarm_;
}

void scale_engine::on_command(std::function<void(std::uint8_t, std::uint32_t)> f) {
  std::lock_guard<std::mutex> g(m_);
  on_command_ = std::move(f);
}

void scale_engine::send_reply_tare() {
  bool silent;
  std::uint32_t t;
  {
    std::lock_guard<std::mutex> g(m_);
    silent = silent_;
    t = values_.t;
  }
  if (!silent) send(short_frame(CODE_REPLY_TARE, t));
}

void scale_engine::send_reply_weight() {
  bool silent;
  weight_values v;
  {
    std::lock_guard<std::mutex> g(m_);
    silent = silent_;
    v = values_;
  }
  if (silent) return;
  const std::uint32_t uw = static_cast<std::uint32_t>(v.w);
  const std::uint32_t mag = v.w < 0 ? 0u - uw : uw;
  std::uint8_t status = static_cast<std::uint8_t>((v.o ? 0x01 : 0) | (v.s ? 0x02 : 0) |
                                                  (v.l ? 0x04 : 0) | (v.z ? 0x08 : 0) |
                                                  (v.m ? 0x10 : 0) | (v.w < 0 ? 0x20 : 0));
  send(reply_weight_frame(mag, status));
}

void scale_engine::send(const bytes& b) {
  int baud;
  {
    std::lock_guard<std::mutex> g(m_);
    baud = baud_;
  }
  if (baud > 0)
    pty_.write_paced(b, baud);
  else
    pty_.write(b);
}

void scale_engine::handle_input(const bytes& in) {
  input_.insert(input_.end(), in.begin(), in.end());
  // Commands are 8-byte frames; resynchronise on STX ... ETX with a good checksum.
  while (input_.size() >= 8) {
    if (input_[0] != 0x02 || input_[7] != 0x03 || sum8(input_, 0, 6) != input_[6]) {
      input_.erase(input_.begin());
      continue;
    }
    const std::uint8_t code = input_[1];
    const std::uint32_t value = input_[2] | (std::uint32_t{input_[3]} << 8) |
                                (std::uint32_t{input_[4]} << 16) | (std::uint32_t{input_[5]} << 24);
    input_.erase(input_.begin(), input_.begin() + 8);
    ++commands_;

    bool silent;
    std::function<void(std::uint8_t, std::uint32_t)> cb;
    bool reply_tare = false;
    {
      std::lock_guard<std::mutex> g(m_);
      silent = silent_;
      cb = on_command_;
      switch (code) {
        case CODE_ZERO:
          values_.w = 0;
          values_.z = 1;
          break;
        case CODE_TARE:
          values_.t = static_cast<std::uint32_t>(static_cast<std::int64_t>(values_.t) + values_.w);
          values_.w = 0;
          reply_tare = true;
          break;
        case CODE_PRESET_TARE: {
          const std::int64_t gross = static_cast<std::int64_t>(values_.w) + values_.t;
          values_.t = value;
          values_.w = static_cast<std::int32_t>(gross - static_cast<std::int32_t>(value));
          reply_tare = true;
          break;
        }
        case CODE_ALARM:
          alarm_ = value;
          break;
        default:
          break;
      }
    }
    if (cb) cb(code, value);
    if (silent) continue;
    send(short_frame(code, 0));  // acknowledgement
    if (reply_tare) send_reply_tare();
  }
}

void scale_engine::run() {
  auto next_frame = clock::now();
  for (;;) {
    double rate;
    {
      std::lock_guard<std::mutex> g(m_);
      if (stop_) return;
      rate = rate_;
      if (wake_) {
        wake_ = false;
        next_frame = clock::now();
      }
    }
    const auto now = clock::now();
    if (rate > 0 && now >= next_frame) {
      next_frame = now + std::chrono::microseconds(static_cast<long>(1e6 / rate));
      weight_values v;
      bool silent, has_fault;
      fault f;
      {
        std::lock_guard<std::mutex> g(m_);
        v = values_;
        silent = silent_;
        has_fault = has_fault_;
        f = fault_;
        has_fault_ = false;
      }
      if (!silent) {
        pty_.drop_unread(64);
        bytes frame = weight_frame(v);
        if (has_fault) {
          switch (f) {
            case fault::bad_checksum:
              frame[24] ^= 0x5A;
              break;
            case fault::cut_frame:
              frame.resize(20);
              break;
            case fault::garbage:
              frame = concat({bytes{'x', 0x7F, 0xFF, 'g', 0x03}, frame});
              break;
            case fault::mid_frame:
              frame = concat({bytes(frame.begin() + 13, frame.end()), frame});
              break;
          }
        }
        send(frame);
        ++frames_;
      }
    }
    // Wait for a command or the next frame, at most 50 ms so that stop and rate changes are seen.
    int timeout = 50;
    if (rate > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next_frame - clock::now()).count();
      timeout = static_cast<int>(std::max<long>(0, std::min<long>(left, 50)));
    }
    const int fd = pty_.master_fd();
    if (fd < 0) {
      std::unique_lock<std::mutex> lk(m_);
      cv_.wait_for(lk, std::chrono::milliseconds(timeout), [this] { return stop_ || wake_; });
      continue;
    }
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, timeout);
    if (r > 0 && (p.revents & POLLIN) != 0) {
      std::uint8_t buf[256];
      const ssize_t got = ::read(fd, buf, sizeof buf);
      if (got > 0) handle_input(bytes(buf, buf + got));
    } else if (r > 0) {
      // Hang-up with no reader on the slave side: do not spin.
      std::unique_lock<std::mutex> lk(m_);
      cv_.wait_for(lk, std::chrono::milliseconds(timeout), [this] { return stop_ || wake_; });
    }
  }
}

}  // namespace scale_sim
