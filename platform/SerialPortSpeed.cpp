// Rates that the termios constants lack (14400 among them) are set through
// termios2 with BOTHER. The kernel's own termios header is needed for it, and
// it clashes with the C library's, so this lives in a file of its own.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace platform {

bool SetCustomSerialSpeed(int fd, int baudRate) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = static_cast<speed_t>(baudRate);
    tio.c_ospeed = static_cast<speed_t>(baudRate);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

int CurrentSerialSpeed(int fd) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return -1;
    return static_cast<int>(tio.c_ospeed);
}

}  // namespace platform
