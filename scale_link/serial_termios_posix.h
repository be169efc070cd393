// Termios helpers of the Linux serial layer, each setting one group of fields, so that tests can
// check the bits on a struct without opening a port.
#pragma once

#include <termios.h>

namespace scale_link {

// Raw data path: no line editing, echo, signals or translations; reads timed by poll, not VMIN/VTIME.
// Flow control and the special characters stay as they were.
void set_raw_mode(termios& t);
// 9600 baud, 8 data bits, no parity, one stop bit.
void set_line_9600_8n1(termios& t);

}  // namespace scale_link
