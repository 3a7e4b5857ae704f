// The test tile server (tiles/tile_server.py) as a child process on
// 127.0.0.1: it picks a free port itself and reports it once it accepts, so
// no test guesses a port or sleeps before its scenario. The server ends
// when this object closes its standard input (killed if it lingers).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/RunTool.h"

namespace phxtest {

class TileServer {
public:
    // `extra` goes to the script as further arguments.
    TileServer(const std::string& logPath, const std::vector<std::string>& extra = {})
        : log_(logPath) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        std::vector<std::string> args = {"/usr/bin/python3",
                                         std::string(PHX_TEST_DATA_DIR) + "/tiles/tile_server.py",
                                         "--log", logPath};
        args.insert(args.end(), extra.begin(), extra.end());
        // Only async-signal-safe calls run between fork and exec.
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        // The port line, within a generous bound for a loaded machine.
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) continue;
            char c[64];
            const ssize_t n = read(out[0], c, sizeof c);
            if (n <= 0) break;
            line.append(c, static_cast<size_t>(n));
        }
        close(out[0]);
        if (line.rfind("PORT ", 0) == 0) port_ = std::stoi(line.substr(5));
    }
    ~TileServer() {
        if (stdin_ >= 0) close(stdin_);
        if (pid_ <= 0) return;
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    TileServer(const TileServer&) = delete;
    TileServer& operator=(const TileServer&) = delete;

    int port() const { return port_; }
    bool ok() const { return port_ > 0; }

    // Requests logged so far: path and header names.
    std::vector<std::pair<std::string, std::string>> Requests() const {
        std::vector<std::pair<std::string, std::string>> out;
        std::ifstream in(log_);
        std::string line;
        while (std::getline(in, line)) {
            const size_t tab = line.find('\t');
            out.push_back({line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1)});
        }
        return out;
    }
    int Hits(const std::string& pathSuffix) const {
        int n = 0;
        for (const auto& r : Requests())
            if (r.first.size() >= pathSuffix.size() &&
                r.first.compare(r.first.size() - pathSuffix.size(), pathSuffix.size(), pathSuffix) == 0)
                ++n;
        return n;
    }

private:
    std::string log_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 that refuses connections: bound, then closed.
inline int RefusedPort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

// A self-signed certificate for 127.0.0.1 (its own CA) made by openssl;
// false when openssl is missing.
inline bool MakeCertificate(const std::string& cert, const std::string& key) {
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
        " -addext subjectAltName=IP:127.0.0.1 -keyout '" + key + "' -out '" + cert +
        "' >/dev/null 2>&1 && echo ok";
    return !RunTool(command).empty();
}

}  // namespace phxtest
