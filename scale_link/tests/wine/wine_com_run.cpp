// wine-com-run: runs one Windows program under wine64 with a pseudo-terminal as its COM port.
//
//   wine-com-run --prefix DIR [--com COM5] -- program.exe [args...]
//
// The Wine prefix DIR is created on first use (wineboot -i) and reused. Runs sharing a prefix are
// serialised by a lock beside it, since they share one COM name. The program plays the scale over
// TCP: it connects to 127.0.0.1:$WEIGHPORT_WINE_RELAY, waits for the line "OK\n", and from then on
// the connection is the scale's end of the cable, byte for byte. Every connection gets a fresh
// pseudo-terminal with dosdevices/<com> linked to its slave; closing the connection closes the
// master, as if the cable were pulled. A connection to 127.0.0.1:$WEIGHPORT_WINE_LINE gets one
// line describing the pty's current line settings, e.g. "9600 8N1 raw", and is closed.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void die(const std::string &what)
{
  std::fprintf(stderr, "wine-com-run: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(125);
}

std::string find_tool(const char *env_name, const char *name)
{
  if (const char *v = std::getenv(env_name); v && *v)
    return v;
  if (const char *path = std::getenv("PATH")) {
    std::string p = path;
    size_t start = 0;
    while (start <= p.size()) {
      size_t end = p.find(':', start);
      if (end == std::string::npos)
        end = p.size();
      std::string cand = p.substr(start, end - start) + "/" + name;
      if (access(cand.c_str(), X_OK) == 0)
        return cand;
      start = end + 1;
    }
  }
  // Debian's wine64 package keeps its loader out of PATH.
  return std::string("/usr/lib/wine/") + name;
}

// Wine must never wait for a display or offer to download add-ons.
void set_wine_env(const std::string &prefix)
{
  setenv("WINEPREFIX", prefix.c_str(), 1);
  setenv("WINEDEBUG", "-all", 0);
  setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 0);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
}

// Runs a Wine tool with its output (and that of a wineserver it starts) going to `log`.
int run_and_wait(const std::vector<std::string> &argv, const std::string &log)
{
  pid_t pid = fork();
  if (pid < 0)
    die("fork");
  if (pid == 0) {
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
      close(fd);
    }
    std::vector<char *> args;
    for (auto &a : argv)
      args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    std::fprintf(stderr, "wine-com-run: cannot run %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR)
      die("waitpid");
  return status;
}

bool write_all(int fd, const char *p, size_t n)
{
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR)
        continue;
      if (errno == EAGAIN) {
        pollfd pfd{fd, POLLOUT, 0};
        poll(&pfd, 1, 100);
        continue;
      }
      return false;
    }
    p += w;
    n -= size_t(w);
  }
  return true;
}

struct Pty {
  int master = -1;
  int slave = -1; // held open so that the master never reports a hang-up between the program's opens
};

void close_pty(Pty &p)
{
  if (p.slave >= 0)
    close(p.slave);
  if (p.master >= 0)
    close(p.master);
  p = Pty{};
}

// A fresh pty set to 1200 baud and two stop bits (and 7 bits with even parity, which a Linux pty
// turns back into 8 bits without parity), so that a line set-up that does not reach the port shows.
Pty open_pty_as_com(const std::string &link)
{
  Pty p;
  if (openpty(&p.master, &p.slave, nullptr, nullptr, nullptr) < 0)
    die("openpty");
  termios t{};
  if (tcgetattr(p.slave, &t) == 0) {
    cfsetspeed(&t, B1200);
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    tcsetattr(p.slave, TCSANOW, &t);
  }
  fcntl(p.master, F_SETFD, FD_CLOEXEC);
  fcntl(p.slave, F_SETFD, FD_CLOEXEC);
  fcntl(p.master, F_SETFL, fcntl(p.master, F_GETFL) | O_NONBLOCK);
  const char *name = ttyname(p.slave);
  if (!name)
    die("ttyname");
  std::string tmp = link + ".new";
  unlink(tmp.c_str());
  if (symlink(name, tmp.c_str()) < 0 || rename(tmp.c_str(), link.c_str()) < 0)
    die("link " + link);
  return p;
}

std::string describe_line(int fd)
{
  termios t{};
  if (fd < 0 || tcgetattr(fd, &t) != 0)
    return "none\n";
  const speed_t speeds[] = {B300, B1200, B2400, B4800, B9600, B19200, B38400, B57600, B115200};
  const int rates[] = {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
  int rate = 0;
  for (size_t k = 0; k < sizeof rates / sizeof rates[0]; ++k)
    if (cfgetospeed(&t) == speeds[k])
      rate = rates[k];
  int bits = 5;
  switch (t.c_cflag & CSIZE) {
  case CS6: bits = 6; break;
  case CS7: bits = 7; break;
  case CS8: bits = 8; break;
  default: break;
  }
  const char parity = !(t.c_cflag & PARENB) ? 'N' : (t.c_cflag & PARODD) ? 'O' : 'E';
  const bool raw = !(t.c_lflag & (ICANON | ECHO | ISIG)) && !(t.c_oflag & OPOST);
  return std::to_string(rate) + " " + std::to_string(bits) + parity + ((t.c_cflag & CSTOPB) ? "2" : "1") +
         (raw ? " raw" : " cooked") + "\n";
}

int listen_loopback(int &port)
{
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0)
    die("socket");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t alen = sizeof addr;
  if (bind(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) < 0 || listen(s, 4) < 0 ||
      getsockname(s, reinterpret_cast<sockaddr *>(&addr), &alen) < 0)
    die("listen");
  port = ntohs(addr.sin_port);
  return s;
}

} // namespace

int main(int argc, char **argv)
{
  std::string prefix, com = "COM5";
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--prefix" && i + 1 < argc)
      prefix = argv[++i];
    else if (a == "--com" && i + 1 < argc)
      com = argv[++i];
    else if (a == "--") {
      ++i;
      break;
    } else
      break;
  }
  if (prefix.empty() || i >= argc) {
    std::fprintf(stderr, "usage: wine-com-run --prefix DIR [--com COM5] -- program.exe [args...]\n");
    return 125;
  }
  if (prefix[0] != '/') {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd))
      die("getcwd");
    prefix = std::string(cwd) + "/" + prefix;
  }
  signal(SIGPIPE, SIG_IGN);
  set_wine_env(prefix);
  const std::string wine = find_tool("WINE64", "wine64");

  std::string lock_path = prefix + ".lock";
  int lock_fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_fd < 0)
    die("open " + lock_path);
  while (flock(lock_fd, LOCK_EX) < 0)
    if (errno != EINTR)
      die("flock");

  // Wine's own chatter goes to a log beside the prefix. That includes the wineserver's: it takes
  // the first pty it opens as its controlling terminal and dumps its objects on the hang-up that
  // closing the pty's master sends it.
  const std::string log = prefix + ".log";
  struct stat st;
  if (stat((prefix + "/system.reg").c_str(), &st) != 0 ||
      stat((prefix + "/.update-timestamp").c_str(), &st) != 0) {
    std::fprintf(stderr, "wine-com-run: creating the Wine prefix %s\n", prefix.c_str());
    int s = run_and_wait({wine, "wineboot", "-i"}, log);
    if (!WIFEXITED(s) || WEXITSTATUS(s) != 0) {
      std::fprintf(stderr, "wine-com-run: wineboot failed (see %s)\n", log.c_str());
      return 125;
    }
  }
  // Started here unless one runs already, so that it does not inherit the program's stderr; it
  // stays 10 s after the last program, which spares the next test its start-up.
  run_and_wait({find_tool("WINESERVER", "wineserver"), "-p10"}, log);

  std::string lower;
  for (char c : com)
    lower += char(std::tolower(static_cast<unsigned char>(c)));
  const std::string link = prefix + "/dosdevices/" + lower;
  Pty pty = open_pty_as_com(link);

  int relay_port = 0, line_port = 0;
  int lsock = listen_loopback(relay_port);
  int line_sock = listen_loopback(line_port);
  setenv("WEIGHPORT_WINE_RELAY", std::to_string(relay_port).c_str(), 1);
  setenv("WEIGHPORT_WINE_LINE", std::to_string(line_port).c_str(), 1);
  setenv("WEIGHPORT_WINE_COM", com.c_str(), 1);

  // The program writes into pipes of ours, not into our own stdout and stderr: the Wine services
  // it starts inherit them and outlive it by seconds, and whoever reads our output (CTest) would
  // wait for them.
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) < 0 || pipe2(err_pipe, O_CLOEXEC) < 0)
    die("pipe");
  pid_t child = fork();
  if (child < 0)
    die("fork");
  if (child == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    std::vector<char *> args;
    args.push_back(const_cast<char *>(wine.c_str()));
    for (int k = i; k < argc; ++k)
      args.push_back(argv[k]);
    args.push_back(nullptr);
    execv(args[0], args.data());
    std::fprintf(stderr, "wine-com-run: cannot run %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
  }

  close(out_pipe[1]);
  close(err_pipe[1]);
  fcntl(out_pipe[0], F_SETFL, O_NONBLOCK);
  fcntl(err_pipe[0], F_SETFL, O_NONBLOCK);
  auto forward = [](int from, int to) {
    char b[4096];
    ssize_t n;
    while ((n = read(from, b, sizeof b)) > 0)
      write_all(to, b, size_t(n));
  };

  int client = -1;
  bool first_connection = true;
  int status = 0;
  char buf[4096];
  for (;;) {
    pid_t r = waitpid(child, &status, WNOHANG);
    if (r == child) {
      if (out_pipe[0] >= 0)
        forward(out_pipe[0], 1);
      if (err_pipe[0] >= 0)
        forward(err_pipe[0], 2);
      break;
    }
    pollfd fds[6] = {{lsock, POLLIN, 0},     {client, POLLIN, 0},      {pty.master, POLLIN, 0},
                     {line_sock, POLLIN, 0}, {out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    // Only relay from the master while a program end is connected: bytes the library writes
    // before that stay queued in the pty.
    if (client < 0)
      fds[2].fd = -1;
    if (poll(fds, 6, 50) < 0) {
      if (errno == EINTR)
        continue;
      die("poll");
    }
    for (int k : {4, 5}) {
      if (fds[k].revents & POLLIN)
        forward(fds[k].fd, k == 4 ? 1 : 2);
      else if (fds[k].revents & (POLLHUP | POLLERR))
        (k == 4 ? out_pipe[0] : err_pipe[0]) = -1;  // every writer is gone
    }
    if (fds[3].revents & POLLIN) {
      int c = accept4(line_sock, nullptr, nullptr, SOCK_CLOEXEC);
      if (c >= 0) {
        const std::string d = describe_line(pty.slave);
        write_all(c, d.data(), d.size());
        close(c);
      }
    }
    if (fds[0].revents & POLLIN) {
      int c = accept4(lsock, nullptr, nullptr, SOCK_CLOEXEC);
      if (c >= 0) {
        if (client >= 0)
          close(client);
        client = c;
        int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (!first_connection || pty.master < 0) {
          close_pty(pty);
          pty = open_pty_as_com(link);
        }
        first_connection = false;
        write_all(client, "OK\n", 3);
        continue;
      }
    }
    if (client >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
      ssize_t n = recv(client, buf, sizeof buf, 0);
      if (n > 0) {
        write_all(pty.master, buf, size_t(n));
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        // The program let go of the scale's end: the cable is pulled.
        close(client);
        client = -1;
        close_pty(pty);
      }
    }
    if (client >= 0 && pty.master >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
      ssize_t n = read(pty.master, buf, sizeof buf);
      if (n > 0)
        write_all(client, buf, size_t(n));
    }
  }
  if (client >= 0)
    close(client);
  close_pty(pty);
  unlink(link.c_str());
  if (WIFEXITED(status))
    return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
