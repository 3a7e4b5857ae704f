#include "platform/SerialPortConfig.h"

#include <sys/ioctl.h>

namespace platform {

speed_t StandardSpeed(int baudRate) {
    switch (baudRate) {
        case 50:
            return B50;
        case 75:
            return B75;
        case 110:
            return B110;
        case 134:
            return B134;
        case 150:
            return B150;
        case 200:
            return B200;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 1800:
            return B1800;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 500000:
            return B500000;
        case 576000:
            return B576000;
        case 921600:
            return B921600;
        case 1000000:
            return B1000000;
        default:
            return B0;
    }
}

bool ApplySerialSettings(const SerialSettings& s, termios& tio) {
    tcflag_t size = 0;
    switch (s.dataBits) {
        case 5:
            size = CS5;
            break;
        case 6:
            size = CS6;
            break;
        case 7:
            size = CS7;
            break;
        case 8:
            size = CS8;
            break;
        default:
            return false;
    }
    if (s.baudRate <= 0) return false;

    tio.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR |
                               ICRNL | IUCLC | IXON | IXOFF | IXANY | IMAXBEL);
    if (s.parityCheck) tio.c_iflag |= INPCK;
    if (s.softwareFlow) tio.c_iflag |= IXON | IXOFF;

    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT |
                                          ECHOKE | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);

    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | CRTSCTS);
    tio.c_cflag |= size | CREAD | CLOCAL;
    if (s.twoStopBits) tio.c_cflag |= CSTOPB;
    if (s.hardwareFlow) tio.c_cflag |= CRTSCTS;
    if (s.parity != Parity::Keep) {
        tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
        switch (s.parity) {
            case Parity::Odd:
                tio.c_cflag |= PARENB | PARODD;
                break;
            case Parity::Even:
                tio.c_cflag |= PARENB;
                break;
            case Parity::Mark:
                tio.c_cflag |= PARENB | CMSPAR | PARODD;
                break;
            case Parity::Space:
                tio.c_cflag |= PARENB | CMSPAR;
                break;
            default:
                break;
        }
    }

    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;

    if (speed_t speed = StandardSpeed(s.baudRate); speed != B0) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    }
    return true;
}

ModemLines ModemLinesFor(const SerialSettings& s) {
    ModemLines lines;
    (s.dtr ? lines.raise : lines.lower) |= TIOCM_DTR;
    (s.rts ? lines.raise : lines.lower) |= TIOCM_RTS;
    return lines;
}

}  // namespace platform
