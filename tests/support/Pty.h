// A pseudo-terminal pair that stands in for a serial device in tests: the
// slave is linked as a COM port in the temporary settings folder, bytes
// written into the master arrive at the port, and what the port writes is
// read back from the master. The rig keeps its own descriptor of the slave,
// so termios can be inspected and the master never reads EIO while the port
// under test is closed.
#pragma once

#include <termios.h>

#include <functional>
#include <string>
#include <string_view>

namespace phxtest {

class Pty {
  public:
    Pty();  // fails the running test (ADD_FAILURE) when openpty fails
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }

    // Links the slave as <APPDATA>/Plovan/PHX/ports/<name> ("COM3"); returns
    // the link's path. Call after the test's TempHome is in place.
    std::string LinkAs(const std::string& name);
    std::string LinkAsCom(int portNumber) { return LinkAs("COM" + std::to_string(portNumber)); }

    // Writes into the master, waiting up to `timeoutMs` in all for room.
    // Returns how many bytes went in.
    size_t Write(std::string_view bytes, int timeoutMs = 2000);

    // Reads from the master until `count` bytes came or `timeoutMs` passed.
    std::string Read(size_t count, int timeoutMs = 2000);
    // Whatever the master holds now, without waiting.
    std::string ReadAvailable();

    // The device goes away: the master closes, the slave sees a hang-up.
    void CloseMaster();

    // What the slave is configured to now, and its speed as a number (any rate).
    termios SlaveAttributes() const;
    int SlaveSpeed() const;

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// Runs the Qt event loop (timers included) until `done` is true or
// `timeoutMs` passed; returns `done()`.
bool PumpEventsUntil(const std::function<bool()>& done, int timeoutMs);

// Runs the Qt event loop for `ms` milliseconds.
void PumpEventsFor(int ms);

}  // namespace phxtest
