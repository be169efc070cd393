// The library's entry point layer: process and thread detach notifications. One implementation per
// platform (entry_point_posix.cpp: a library destructor and a thread-specific key; on Windows,
// DllMain); CMake picks the file.
#pragma once

namespace scale_link {

// Implemented by the shared logic (session.cpp), called by the platform layer.
//
// Process detach: the library is being unloaded or the process ends. Writes "DLL_PROCESS_DETACH",
// stops the reader, waits for it to end and closes the port. Call it before the library's code goes
// away; afterwards the platform layer makes sure no later thread exit runs the library's code.
void on_process_detach();
// Windows note: it joins the reader thread. A thread's exit needs the loader lock, which DllMain
// holds, so during FreeLibrary (DLL_PROCESS_DETACH with lpReserved == NULL) a join from DllMain
// would wait for ever; at process exit (lpReserved != NULL) the other threads are already gone.
//
// Thread detach: a thread of the host process ends. Writes "DLL_THREAD_DETACH".
void on_thread_detach();

// Implemented by the platform layer, called by the shared logic.
//
// Called by every export and by the reader thread when it starts: makes sure this thread's end is
// notified (on_thread_detach). Cheap after the first call on a thread. On Windows, where the loader
// notifies every thread anyway, it does nothing.
void note_thread_entered();

}  // namespace scale_link
