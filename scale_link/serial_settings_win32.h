// The scale port's line settings and time-outs as Win32 structures: pure helpers, so that a test
// checks every field without opening a port.
#pragma once

#include <windows.h>

#include "serial_port.h"

namespace scale_link {

// Read: 25 ms between bytes, 25 ms + 1 ms per byte requested in all. Write: 5 ms + 5 ms per byte.
inline COMMTIMEOUTS scale_port_timeouts()
{
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = READ_INTERVAL_MS;
  t.ReadTotalTimeoutMultiplier = READ_TOTAL_PER_BYTE_MS;
  t.ReadTotalTimeoutConstant = READ_TOTAL_CONSTANT_MS;
  t.WriteTotalTimeoutMultiplier = WRITE_TOTAL_PER_BYTE_MS;
  t.WriteTotalTimeoutConstant = WRITE_TOTAL_CONSTANT_MS;
  return t;
}

// 9600 8N1; every other field stays as GetCommState reported it.
inline void apply_line_settings(DCB &dcb)
{
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
}

}  // namespace scale_link
