/* WeighPort: drives a weighing scale on a serial port.
 *
 * Load the library (libWeighPort.so on Linux, WeighPort.dll on Windows) and call:
 *
 *   1. etsa_init_normal("/dev/ttyS0")   (on Windows "COM1", or "\\\\.\\COM10" and above)
 *   2. etsa_set_debuge_mode()            only if the per-read trace line is wanted
 *   3. getters and commands, from any thread, as often as wanted
 *   4. etsa_exit()
 *
 * Between 1 and 4 a background reader decodes everything the scale sends without being asked and
 * keeps the latest net weight, tare, status flags and a text form of the latest weight frame; the
 * getters copy them out. Weight and tare are whole numbers in the scale's own units.
 *
 * All functions use the C calling convention (the caller removes the arguments). None throws.
 * Operations report success as 1 and failure as -1. Returned strings live in static buffers owned
 * by the library: never free them; each is overwritten by the next call of the same function, from
 * any thread, so threads that call the same one at once must take turns and copy the text out.
 *
 * The library writes short diagnostic lines to standard output ("thread out", "DLL_THREAD_DETACH",
 * "DLL_PROCESS_DETACH", "the com name is:..." and, in debug mode, one line per read).
 */
#ifndef WEIGHPORT_H
#define WEIGHPORT_H

#if defined(_WIN32)
#  define WEIGHPORT_CALL __cdecl
#  if defined(WEIGHPORT_BUILDING)
#    define WEIGHPORT_API __declspec(dllexport)
#  else
#    define WEIGHPORT_API __declspec(dllimport)
#  endif
#else
#  define WEIGHPORT_CALL
#  define WEIGHPORT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status flag bits, as returned by etsa_get_flags and in bits 24-31 of etsa_get_flag_and_weight.
 * From a weight frame: O is bit 0, S bit 1, L bit 2, Z bit 3, M bit 4 (set when the scale's value
 * is nonzero), bit 5 when the net weight is negative. A short weight reply from the scale stores
 * the scale's status byte whole, so bits 6 and 7 may be set too. */
#define WEIGHPORT_FLAG_O 0x01
#define WEIGHPORT_FLAG_S 0x02
#define WEIGHPORT_FLAG_L 0x04
#define WEIGHPORT_FLAG_Z 0x08
#define WEIGHPORT_FLAG_M 0x10
#define WEIGHPORT_FLAG_NEGATIVE 0x20

/* Writes the line "the com name is:<name>" and returns a copy of the name (cut to 63 characters).
 * Touches no session; may be called at any time from any thread. */
WEIGHPORT_API char* WEIGHPORT_CALL etsa_com_name_test(const char* name);

/* Opens the scale's port (the device path as given: no prefix is added), sets 9600 baud, 8 data
 * bits, no parity, one stop bit, and starts the background reader. The port is held exclusively.
 * Returns 1 when the session is open, -1 when the port is missing, in use (also by this process,
 * including an open session of this library), or not a serial port. Also switches the debug trace
 * off. Keeps the previous readings until the scale's first frame arrives. Returns at once. */
WEIGHPORT_API int WEIGHPORT_CALL etsa_init_normal(const char* port_name);

/* Ends the session: stops the reader and closes the port. Returns nonzero when an open port was
 * closed, 0 when there was none. Returns within a few milliseconds, once the reader has ended. On
 * Windows a serial driver that cannot cancel the reader's read makes it wait for the read's end, up
 * to about 0.3 s. */
WEIGHPORT_API int WEIGHPORT_CALL etsa_exit(void);

/* Turns on one trace line per read of the session, "read:<n> bytes weight:<w> flag:0x<hex>".
 * etsa_init_normal turns it off again, so call this after it. */
WEIGHPORT_API void WEIGHPORT_CALL etsa_set_debuge_mode(void);

/* Text of the latest weight frame, "W:<w> T:<t> S:<s> Z:<z> L:<l> M:<m> O:<o> " (trailing blank);
 * empty before the first one. */
WEIGHPORT_API char* WEIGHPORT_CALL etsa_get_weight_string(void);

/* Weight magnitude in bits 0-23 or-ed with the flags shifted into bits 24-31 (a magnitude of
 * 16777216 or more overlaps the flags: no masking). */
WEIGHPORT_API int WEIGHPORT_CALL etsa_get_flag_and_weight(void);

/* Signed net weight. After about 3 s of silence from the scale, weight and flags read 0. */
WEIGHPORT_API int WEIGHPORT_CALL etsa_get_weight(void);

/* Status flags of the latest reading (WEIGHPORT_FLAG_*). */
WEIGHPORT_API int WEIGHPORT_CALL etsa_get_flags(void);

/* Latest tare reported by the scale. */
WEIGHPORT_API int WEIGHPORT_CALL etsa_get_tare(void);

/* Commands. Each sends one 8-byte frame to the scale, then blocks the calling thread for 250 ms
 * so that the scale can act, and returns 1, also when no port is open or the scale did not
 * answer. The readings show the effect once the scale reports it. */
WEIGHPORT_API int WEIGHPORT_CALL etsa_zero(void);
WEIGHPORT_API int WEIGHPORT_CALL etsa_tare(void);
/* Presets the tare to the given value (two's complement for a negative one). */
WEIGHPORT_API int WEIGHPORT_CALL etsa_set_tare(int tare);
/* Sets the overflow alarm; only the low 8 bits of the value count (0 to 255). */
WEIGHPORT_API int WEIGHPORT_CALL etsa_set_overflow_alarm(unsigned char value);

#ifdef __cplusplus
}
#endif

#endif
