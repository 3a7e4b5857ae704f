// The settings of a serial port as termios flags and modem lines, as pure
// functions so that what a pseudo-terminal cannot show (DTR, RTS, flow
// control) can still be checked.
//
// The port is always put in raw mode: a Linux tty starts cooked, with echo,
// CR/LF translation and XON/XOFF, any of which would corrupt NMEA or RTCM
// bytes. Reads never wait (VMIN 0, VTIME 0) and modem control lines are
// ignored (CLOCAL), as a receiver without carrier detect must still be read.
#pragma once

#include <termios.h>

#include "platform/SerialPort.h"

namespace platform {

// Applies raw mode and `settings` to `tio` as the device reported it. The
// speed is set only when termios has a constant for it (StandardSpeed);
// other rates are left for termios2. False, with `tio` unchanged, when a
// setting cannot be expressed: data bits outside 5..8 or a rate not above 0.
bool ApplySerialSettings(const SerialSettings& settings, termios& tio);

// The termios constant for `baudRate`, or B0 when termios has none
// (14400, for one) and the rate must go through termios2.
speed_t StandardSpeed(int baudRate);

// Modem lines to raise and to lower (TIOCM_DTR, TIOCM_RTS masks).
struct ModemLines {
    int raise = 0;
    int lower = 0;
};
ModemLines ModemLinesFor(const SerialSettings& settings);

// Sets both directions to `baudRate` through termios2 (BOTHER); false when
// the device refuses.
bool SetCustomSerialSpeed(int fd, int baudRate);

// The output rate of `fd` in bits per second, read through termios2, so any
// rate reads as a number; -1 when the call fails.
int CurrentSerialSpeed(int fd);

}  // namespace platform
