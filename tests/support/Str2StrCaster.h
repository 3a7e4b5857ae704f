// RTKLIB's str2str as a real NTRIP caster on loopback ports: RTCM bytes
// sent to its TCP input reach every client of mount point "MNT" (user
// "user", password "pass"). Not started when str2str is not installed.
// Header-only.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStandardPaths>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/FakeCaster.h"

namespace phxtest {

inline int ConnectToLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class Str2StrCaster {
  public:
    Str2StrCaster() {
        program_ = QStandardPaths::findExecutable("str2str").toStdString();
        if (program_.empty()) return;
        inputPort_ = FreeLoopbackPort();
        casterPort_ = FreeLoopbackPort();
        const std::string table =
            "Loopback;RTCM 3.2;1004(1),1006(10);2;GPS;TEST;DEU;52.00;13.00;1;0;RTKLIB;none;N;N;0;";
        const std::string input = "tcpsvr://:" + std::to_string(inputPort_);
        const std::string output =
            "ntripc://user:pass@:" + std::to_string(casterPort_) + "/MNT:" + table;
        // Through setpriv, so that the caster dies with a test program that dies.
        const std::string setpriv = QStandardPaths::findExecutable("setpriv").toStdString();
        std::vector<const char*> argv;
        if (!setpriv.empty()) argv = {setpriv.c_str(), "--pdeathsig", "KILL"};
        for (const char* arg : {program_.c_str(), "-in", input.c_str(), "-out", output.c_str()})
            argv.push_back(arg);
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr,
                                        const_cast<char* const*>(argv.data()), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            return;
        }
        for (int i = 0; i < 100 && !ready_; ++i) {
            const int probe = ConnectToLoopback(casterPort_);
            if (probe >= 0) {
                ::close(probe);
                ready_ = true;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
    }

    ~Str2StrCaster() {
        if (input_ >= 0) ::close(input_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    Str2StrCaster(const Str2StrCaster&) = delete;
    Str2StrCaster& operator=(const Str2StrCaster&) = delete;

    bool installed() const { return !program_.empty(); }
    bool ready() const { return ready_; }
    int casterPort() const { return casterPort_; }

    // Sends bytes into the caster's input (connecting on first use).
    bool Feed(const std::string& bytes) {
        if (input_ < 0) {
            input_ = ConnectToLoopback(inputPort_);
            if (input_ < 0) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));  // str2str takes it in
        }
        return ::send(input_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }

  private:
    std::string program_;
    pid_t pid_ = -1;
    int inputPort_ = 0, casterPort_ = 0;
    int input_ = -1;
    bool ready_ = false;
};

}  // namespace phxtest
