// scale-sim: a weighing scale on a pseudo-terminal, for trying the scale link without a scale.
// Prints the port to open, sends weight frames, answers commands, and takes orders on its input.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "pty_scale.h"
#include "scale_engine.h"

namespace {

const char* const help_text =
    "orders (one a line):\n"
    "  w <net>               net weight (negative allowed)\n"
    "  t <tare>              tare\n"
    "  s <S> <Z> <L> <M> <O> the five status values\n"
    "  rate <frames/s>       weight frames per second (0: none)\n"
    "  pace <baud>           space the bytes as on a line at this rate (0: whole frames)\n"
    "  fault checksum|cut|garbage|midframe   spoil the next frame\n"
    "  silence on|off        send nothing at all\n"
    "  reply tare|weight     send a short tare or weight reply\n"
    "  show                  print the current values\n"
    "  quit\n";

void usage() {
  std::fprintf(stderr,
               "usage: scale-sim [--rate FRAMES_PER_S] [--weight NET] [--tare TARE] [--pace BAUD]\n%s",
               help_text);
}

void show(const scale_sim::weight_values& v, const scale_sim::scale_engine& e) {
  std::printf("W:%d T:%u S:%u Z:%u L:%u M:%u O:%u  alarm:%u frames:%u commands:%u\n", v.w, v.t, v.s,
              v.z, v.l, v.m, v.o, e.alarm(), e.frames_sent(), e.commands_received());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  double rate = 5;
  int pace = 0;
  scale_sim::weight_values v;
  v.w = 1500;
  v.s = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--rate" && has_value) {
      rate = std::atof(argv[++i]);
    } else if (a == "--weight" && has_value) {
      v.w = std::atoi(argv[++i]);
    } else if (a == "--tare" && has_value) {
      v.t = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (a == "--pace" && has_value) {
      pace = std::atoi(argv[++i]);
    } else {
      usage();
      return a == "--help" || a == "-h" ? 0 : 2;
    }
  }

  try {
    scale_sim::pty_scale pty;
    scale_sim::scale_engine engine(pty);
    engine.set_values(v);
    engine.set_rate(rate);
    engine.set_pacing(pace);
    engine.on_command([](std::uint8_t code, std::uint32_t value) {
      std::printf("command 0x%02X value %u\n", code, value);
      std::fflush(stdout);
    });
    engine.start();

    std::printf("scale-sim: open %s   (for example: weighport-monitor %s)\n", pty.slave_path().c_str(),
                pty.slave_path().c_str());
    std::printf("%s", help_text);
    std::fflush(stdout);

    std::string line;
    bool quit = false;
    while (!quit) {
      if (!std::getline(std::cin, line)) {
        // No more orders (input closed, or started in the background): keep being a scale.
        for (;;) pause();
      }
      std::istringstream in(line);
      std::string cmd;
      if (!(in >> cmd)) continue;
      scale_sim::weight_values cur = engine.values();
      if (cmd == "w") {
        if (in >> cur.w) engine.set_values(cur);
      } else if (cmd == "t") {
        if (in >> cur.t) engine.set_values(cur);
      } else if (cmd == "s") {
        if (in >> cur.s >> cur.z >> cur.l >> cur.m >> cur.o) engine.set_values(cur);
        else std::printf("s needs five numbers: S Z L M O\n");
      } else if (cmd == "rate") {
        double r;
        if (in >> r) engine.set_rate(r);
      } else if (cmd == "pace") {
        int b;
        if (in >> b) engine.set_pacing(b);
      } else if (cmd == "fault") {
        std::string f;
        in >> f;
        if (f == "checksum") engine.inject(scale_sim::fault::bad_checksum);
        else if (f == "cut") engine.inject(scale_sim::fault::cut_frame);
        else if (f == "garbage") engine.inject(scale_sim::fault::garbage);
        else if (f == "midframe") engine.inject(scale_sim::fault::mid_frame);
        else std::printf("faults: checksum cut garbage midframe\n");
      } else if (cmd == "silence") {
        std::string s;
        in >> s;
        engine.set_silent(s != "off");
      } else if (cmd == "reply") {
        std::string s;
        in >> s;
        if (s == "tare") engine.send_reply_tare();
        else if (s == "weight") engine.send_reply_weight();
        else std::printf("reply tare|weight\n");
      } else if (cmd == "show") {
        show(cur, engine);
        continue;
      } else if (cmd == "quit" || cmd == "q") {
        quit = true;
      } else {
        std::printf("%s", help_text);
      }
      std::fflush(stdout);
    }
    engine.stop();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "scale-sim: %s\n", e.what());
    return 1;
  }
  return 0;
}
