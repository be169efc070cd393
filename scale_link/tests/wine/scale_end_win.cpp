#include "scale_end_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>

namespace wine_test {

std::string com_name()
{
  const char *v = std::getenv("WEIGHPORT_WINE_COM");
  return v && *v ? v : "COM5";
}

namespace {

bool winsock_started()
{
  static const bool ok = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ok;
}

SOCKET as_socket(uintptr_t s) { return static_cast<SOCKET>(s); }

} // namespace

std::string line_settings()
{
  const char *port = std::getenv("WEIGHPORT_WINE_LINE");
  if (!port || !*port || !winsock_started())
    return {};
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET)
    return {};
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<u_short>(std::atoi(port)));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string out;
  if (::connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
    char buf[128];
    int got;
    while ((got = recv(s, buf, sizeof buf, 0)) > 0)
      out.append(buf, static_cast<size_t>(got));
  }
  closesocket(s);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
    out.pop_back();
  return out;
}

ScaleEnd::~ScaleEnd() { close(); }

bool ScaleEnd::connect()
{
  close();
  const char *port = std::getenv("WEIGHPORT_WINE_RELAY");
  if (!port || !*port) {
    error_ = "WEIGHPORT_WINE_RELAY is not set: run the program through wine-com-run";
    return false;
  }
  if (!winsock_started()) {
    error_ = "WSAStartup failed";
    return false;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    error_ = "socket failed";
    return false;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<u_short>(std::atoi(port)));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
    closesocket(s);
    error_ = "cannot connect to the relay on port " + std::string(port);
    return false;
  }
  BOOL one = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&one), sizeof one);
  sock_ = static_cast<uintptr_t>(s);
  // The relay answers once the COM link points at the new pty.
  auto hello = read(3, std::chrono::seconds(10));
  if (hello != std::vector<uint8_t>{'O', 'K', '\n'}) {
    close();
    error_ = "the relay did not answer";
    return false;
  }
  return true;
}

bool ScaleEnd::write(const void *data, size_t n)
{
  if (!connected())
    return false;
  const char *p = static_cast<const char *>(data);
  while (n > 0) {
    int w = send(as_socket(sock_), p, static_cast<int>(n), 0);
    if (w <= 0)
      return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

std::vector<uint8_t> ScaleEnd::read(size_t n, std::chrono::milliseconds timeout)
{
  std::vector<uint8_t> out;
  if (!connected())
    return out;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (out.size() < n) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() < 0)
      break;
    WSAPOLLFD pfd{};
    pfd.fd = as_socket(sock_);
    pfd.events = POLLRDNORM;
    int r = WSAPoll(&pfd, 1, static_cast<INT>(left.count()));
    if (r <= 0)
      break;
    char buf[512];
    int want = static_cast<int>(std::min(sizeof buf, n - out.size()));
    int got = recv(as_socket(sock_), buf, want, 0);
    if (got <= 0)
      break;
    out.insert(out.end(), buf, buf + got);
  }
  return out;
}

std::vector<uint8_t> ScaleEnd::drain(std::chrono::milliseconds quiet)
{
  std::vector<uint8_t> out;
  for (;;) {
    auto more = read(4096, quiet);
    if (more.empty())
      return out;
    out.insert(out.end(), more.begin(), more.end());
  }
}

void ScaleEnd::close()
{
  if (connected()) {
    closesocket(as_socket(sock_));
    sock_ = invalid_socket;
  }
}

} // namespace wine_test
