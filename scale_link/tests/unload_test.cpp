// Unloading the library with a session open: the reader must end before the code goes away.
// This program does not link the library; it loads it by path.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>

#include "pty_scale.h"
#include "stdout_capture.h"

namespace {

int thread_count() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}

}  // namespace

TEST(Unload, DlcloseWithASessionOpen) {
  scale_sim::pty_scale pty;
  stdout_capture out;
  // Runtimes (a sanitizer's) may start a helper thread with the first thread: count after one.
  std::thread([] {}).join();
  const int threads = thread_count();
  for (int round = 0; round < 3; ++round) {
    void* lib = dlopen(WEIGHPORT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto init = reinterpret_cast<int (*)(const char*)>(dlsym(lib, "etsa_init_normal"));
    auto debug = reinterpret_cast<void (*)()>(dlsym(lib, "etsa_set_debuge_mode"));
    ASSERT_NE(init, nullptr);
    ASSERT_NE(debug, nullptr);
    ASSERT_EQ(init(pty.slave_path().c_str()), 1);
    debug();
    ASSERT_TRUE(pty.write(scale_sim::weight_frame({5, 0, 0, 0, 0, 0, 0})));
    ASSERT_TRUE(out.wait_count("read:", static_cast<std::size_t>(round) + 1));
    ASSERT_EQ(dlclose(lib), 0);
    // The library is gone, its reader with it, and the port is free again.
    EXPECT_EQ(dlopen(WEIGHPORT_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr);
    EXPECT_EQ(out.count("thread out"), static_cast<std::size_t>(round) + 1);
    EXPECT_EQ(out.count("DLL_PROCESS_DETACH"), static_cast<std::size_t>(round) + 1);
    EXPECT_EQ(thread_count(), threads);
  }
  out.restore();
  if (HasFailure()) std::cerr << out.text();
}
