// The Win32 structures the serial layer hands to SetCommTimeouts and SetCommState.
#include <gtest/gtest.h>

#include <cstring>

#include "serial_settings_win32.h"

namespace {

TEST(SerialSettingsWin32, Timeouts)
{
  const COMMTIMEOUTS t = scale_link::scale_port_timeouts();
  EXPECT_EQ(25u, t.ReadIntervalTimeout);
  EXPECT_EQ(1u, t.ReadTotalTimeoutMultiplier);
  EXPECT_EQ(25u, t.ReadTotalTimeoutConstant);
  EXPECT_EQ(5u, t.WriteTotalTimeoutMultiplier);
  EXPECT_EQ(5u, t.WriteTotalTimeoutConstant);
}

TEST(SerialSettingsWin32, LineSettingsChangeExactlyFourFields)
{
  // Whatever the port had, down to flow control and special characters, must survive.
  for (unsigned char fill : {0x00, 0x5A, 0xFF}) {
    DCB before;
    std::memset(&before, fill, sizeof before);
    DCB after = before;
    scale_link::apply_line_settings(after);
    EXPECT_EQ(DWORD(CBR_9600), after.BaudRate);
    EXPECT_EQ(8, after.ByteSize);
    EXPECT_EQ(NOPARITY, after.Parity);
    EXPECT_EQ(ONESTOPBIT, after.StopBits);
    after.BaudRate = before.BaudRate;
    after.ByteSize = before.ByteSize;
    after.Parity = before.Parity;
    after.StopBits = before.StopBits;
    EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before)) << "fill " << int(fill);
  }
}

}  // namespace
