// DllMain: the loader's process and thread notifications. The loader lock is held here, so
// nothing on these paths waits for another thread to end.
#include <windows.h>

#include <atomic>

#include "entry_point.h"

namespace scale_link {

extern std::atomic<bool> g_process_ending;

// The loader notifies every thread's end by itself.
void note_thread_entered() {}

}  // namespace scale_link

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
  switch (reason) {
  case DLL_PROCESS_ATTACH:
  case DLL_THREAD_ATTACH:
    break;
  case DLL_THREAD_DETACH:
    scale_link::on_thread_detach();
    break;
  case DLL_PROCESS_DETACH:
    // reserved is set when the process ends: its other threads, a reader included, are already
    // gone. Otherwise FreeLibrary dropped the last reference, and an open port holds one, so no
    // reader can be running.
    scale_link::g_process_ending.store(reserved != nullptr);
    scale_link::on_process_detach();
    break;
  }
  return TRUE;
}
