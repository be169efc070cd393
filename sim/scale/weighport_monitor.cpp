// weighport-monitor PORT: shows what the scale on PORT reports through the WeighPort library and
// sends it commands typed on the input. Uses nothing but the library's public header, so it checks
// a real scale exactly as a POS application would see it.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "weighport.h"

namespace {

void print_help() {
  std::printf(
      "commands: z = zero, t = tare, p <value> = preset tare, a <0-255> = overflow alarm,\n"
      "          d = per-read trace on, q = quit\n");
  std::fflush(stdout);
}

std::string flag_names(int flags) {
  static const struct {
    int bit;
    const char* name;
  } names[] = {{WEIGHPORT_FLAG_O, "O"}, {WEIGHPORT_FLAG_S, "S"}, {WEIGHPORT_FLAG_L, "L"},
               {WEIGHPORT_FLAG_Z, "Z"}, {WEIGHPORT_FLAG_M, "M"}, {WEIGHPORT_FLAG_NEGATIVE, "NEG"},
               {0x40, "b6"}, {0x80, "b7"}};
  std::string s = "[";
  for (const auto& n : names) {
    if (!(flags & n.bit)) continue;
    if (s.size() > 1) s += ' ';
    s += n.name;
  }
  s += ']';
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: weighport-monitor PORT   (e.g. /dev/ttyUSB0, or the path scale-sim prints)\n");
    return 2;
  }
  if (etsa_init_normal(argv[1]) != 1) {
    std::fprintf(stderr,
                 "weighport-monitor: cannot open %s as a serial port (missing, in use, or not a "
                 "serial device). Check the path and that no other program holds it.\n",
                 argv[1]);
    return 1;
  }
  print_help();
  const bool live_line = isatty(STDOUT_FILENO) != 0;
  std::string last;
  bool input_open = true;
  for (;;) {
    const int net = etsa_get_weight();
    const int tare = etsa_get_tare();
    const int flags = etsa_get_flags();
    const std::string text = etsa_get_weight_string();
    char line[300];
    std::snprintf(line, sizeof line, "net %8d  tare %8d  flags 0x%02x %-14s  %s", net, tare, flags,
                  flag_names(flags).c_str(), text.c_str());
    if (live_line) {
      std::printf("\r%-110s", line);
      std::fflush(stdout);
    } else if (last != line) {
      std::printf("%s\n", line);
      std::fflush(stdout);
    }
    last = line;

    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int r = poll(&p, input_open ? 1 : 0, 200);
    if (r <= 0) continue;
    char in[128];
    if (!fgets(in, sizeof in, stdin)) {
      input_open = false;  // keep showing until interrupted
      continue;
    }
    if (live_line) std::printf("\n");
    char cmd = 0;
    long value = 0;
    const int got = std::sscanf(in, " %c %ld", &cmd, &value);
    if (got < 1) continue;
    switch (cmd) {
      case 'z': etsa_zero(); std::printf("zero sent\n"); break;
      case 't': etsa_tare(); std::printf("tare sent\n"); break;
      case 'p':
        if (got == 2) { etsa_set_tare(static_cast<int>(value)); std::printf("preset tare %ld sent\n", value); }
        else std::printf("p needs a value\n");
        break;
      case 'a':
        if (got == 2 && value >= 0 && value <= 255) {
          etsa_set_overflow_alarm(static_cast<unsigned char>(value));
          std::printf("overflow alarm %ld sent\n", value);
        } else {
          std::printf("a needs a value from 0 to 255\n");
        }
        break;
      case 'd': etsa_set_debuge_mode(); break;
      case 'q': etsa_exit(); return 0;
      default: print_help(); break;
    }
    std::fflush(stdout);
  }
}
