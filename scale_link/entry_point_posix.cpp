// Linux has no loader notifications: process detach is a library destructor (runs at dlclose and
// at process exit), thread detach a thread-specific key whose destructor runs when a thread that
// entered the library ends. A key rather than a thread_local object: glibc would pin a library with
// pending thread_local destructors in memory, and dlclose would then never unload it.
#include <pthread.h>

#include <atomic>

#include "entry_point.h"

namespace scale_link {

namespace {

pthread_key_t thread_key;
std::atomic<bool> key_ready{false};

void thread_ended(void*) { on_thread_detach(); }

__attribute__((constructor)) void process_attach() {
  key_ready.store(pthread_key_create(&thread_key, thread_ended) == 0);
}

__attribute__((destructor)) void process_detach() {
  on_process_detach();
  // After this no thread's exit calls into code that is about to be unmapped.
  if (key_ready.exchange(false)) {
    pthread_key_delete(thread_key);
  }
}

}  // namespace

void note_thread_entered() {
  if (key_ready && pthread_getspecific(thread_key) == nullptr) {
    static char marker;
    pthread_setspecific(thread_key, &marker);
  }
}

}  // namespace scale_link
