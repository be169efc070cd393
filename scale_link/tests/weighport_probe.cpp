// Helper process for the session tests: "open PORT" exits with etsa_init_normal's result;
// "hold PORT" opens a session and ends the process with it still open.
#include <cstdio>
#include <cstring>

#include "weighport.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int r = etsa_init_normal(argv[2]);
  if (std::strcmp(argv[1], "open") == 0) {
    etsa_exit();
    return r == 1 ? 1 : 255;
  }
  return r == 1 ? 0 : 3;
}
