// Loading and unloading WeighPort.dll as a POS application does (LoadLibrary, GetProcAddress,
// FreeLibrary), with and without a session open, and a process that ends with a session open.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "wine_session.h"

namespace {

using namespace wine_test;
using scale_sim::weight_frame;
using scale_sim::weight_values;

const char *const DLL = "WeighPort.dll";

bool module_loaded() { return GetModuleHandleA(DLL) != nullptr; }

// The exports this test uses, looked up by their bare names.
struct Api {
  HMODULE module = nullptr;
  int(__cdecl *init)(const char *) = nullptr;
  int(__cdecl *exit)() = nullptr;
  int(__cdecl *get_weight)() = nullptr;
  int(__cdecl *get_flags)() = nullptr;
  int(__cdecl *get_tare)() = nullptr;
  int(__cdecl *get_flag_and_weight)() = nullptr;
  char *(__cdecl *get_weight_string)() = nullptr;

  bool load()
  {
    module = LoadLibraryA(DLL);
    if (!module)
      return false;
    return get(init, "etsa_init_normal") && get(exit, "etsa_exit") && get(get_weight, "etsa_get_weight") &&
           get(get_flags, "etsa_get_flags") && get(get_tare, "etsa_get_tare") &&
           get(get_flag_and_weight, "etsa_get_flag_and_weight") && get(get_weight_string, "etsa_get_weight_string");
  }
  template <class F>
  bool get(F &f, const char *name)
  {
    f = reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    return f != nullptr;
  }
};

class Unload : public testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_FALSE(module_loaded());
    ASSERT_TRUE(scale.connect()) << scale.error();
  }
  ScaleEnd scale;
  const std::string port = com_name();
};

TEST_F(Unload, FreshLoadHasNoReadings)
{
  Api api;
  ASSERT_TRUE(api.load());
  EXPECT_EQ(0, api.get_weight());
  EXPECT_EQ(0, api.get_flags());
  EXPECT_EQ(0, api.get_tare());
  EXPECT_EQ(0, api.get_flag_and_weight());
  EXPECT_STREQ("", api.get_weight_string());
  TraceCapture trace;
  FreeLibrary(api.module);
  EXPECT_FALSE(module_loaded());
  auto lines = trace.lines();
  EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "DLL_PROCESS_DETACH"));
}

TEST_F(Unload, AfterExitTheLibraryGoesAtOnce)
{
  Api api;
  ASSERT_TRUE(api.load());
  ASSERT_EQ(1, api.init(port.c_str()));
  weight_values v;
  v.w = 31;
  scale.write(weight_frame(v));
  EXPECT_TRUE(eventually([&] { return api.get_weight() == 31; }));
  TraceCapture trace;
  EXPECT_EQ(1, api.exit());
  FreeLibrary(api.module);
  EXPECT_FALSE(module_loaded());
  auto lines = trace.lines();
  auto out = std::find(lines.begin(), lines.end(), "thread out");
  auto detach = std::find(lines.begin(), lines.end(), "DLL_PROCESS_DETACH");
  EXPECT_NE(lines.end(), out);
  EXPECT_NE(lines.end(), detach);
  EXPECT_LT(out, detach);
}

// The open session holds the library: unloading it then keeps the code in place while the reader
// runs, and the session can still be ended by loading the library again.
TEST_F(Unload, WithSessionOpenTheReaderKeepsTheLibrary)
{
  Api api;
  ASSERT_TRUE(api.load());
  ASSERT_EQ(1, api.init(port.c_str()));
  TraceCapture trace;
  FreeLibrary(api.module);
  EXPECT_TRUE(module_loaded());
  // The reader goes on decoding in the still loaded code.
  weight_values v;
  v.w = 64;
  scale.write(weight_frame(v));
  Sleep(500);

  Api again;
  ASSERT_TRUE(again.load());
  EXPECT_EQ(api.module, again.module);
  EXPECT_EQ(64, again.get_weight());
  EXPECT_EQ(1, again.exit());
  FreeLibrary(again.module);
  EXPECT_FALSE(module_loaded());
  auto lines = trace.lines();
  EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "thread out"));
  EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "DLL_PROCESS_DETACH"));
}

// Runs this program again with the flag below; returns its exit code and its output.
int run_child(const char *flag, std::string &output)
{
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string cmd = std::string("\"") + self + "\" " + flag;

  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &sa, 0))
    return -1;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write_end;
  si.hStdError = write_end;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    return -1;
  }
  char buf[512];
  DWORD got = 0;
  while (ReadFile(read_end, buf, sizeof buf, &got, nullptr) && got > 0)
    output.append(buf, got);
  CloseHandle(read_end);
  DWORD code = 1;
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0)
    code = 0xDEAD;
  else
    GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return int(code);
}

// Ending the process with a session open: the reader is gone before the library hears of it, and
// nothing may wait for it then.
TEST_F(Unload, ProcessEndsWithSessionOpen)
{
  std::string output;
  const int code = run_child("--end-with-session-open", output);
  EXPECT_EQ(0, code) << output;
  EXPECT_NE(std::string::npos, output.find("session open")) << output;
  EXPECT_NE(std::string::npos, output.find("DLL_PROCESS_DETACH")) << output;
}

int end_with_session_open()
{
  Api api;
  if (!api.load() || api.init(com_name().c_str()) != 1)
    return 3;
  std::printf("session open\n");
  std::fflush(stdout);
  Sleep(300);  // the reader is in a read now
  return 0;
}

}  // namespace

int main(int argc, char **argv)
{
  if (argc > 1 && std::strcmp(argv[1], "--end-with-session-open") == 0)
    return end_with_session_open();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
