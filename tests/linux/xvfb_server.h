#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <stdexcept>
#include <string>

namespace muralis::testing {

// A private Xvfb server for one test, on the first free display number,
// stopped when the scope ends. -noreset keeps the root background when the
// last client leaves, as a real desktop session does.
class XvfbServer {
public:
    explicit XvfbServer(const std::string& screen = "640x480x24")
    {
        int pipe_ends[2];
        if (::pipe(pipe_ends) != 0)
            throw std::runtime_error("pipe failed");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(pipe_ends[0]);
            const std::string fd = std::to_string(pipe_ends[1]);
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                     "-noreset", "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe_ends[1]);
        std::string number;
        pollfd wait_for{pipe_ends[0], POLLIN, 0};
        char c;
        while (::poll(&wait_for, 1, 20000) == 1 && ::read(pipe_ends[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(pipe_ends[0]);
        if (number.empty()) {
            stop();
            throw std::runtime_error("Xvfb did not start (is it installed?)");
        }
        m_display = ":" + number;
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer() { stop(); }

    const std::string& display() const { return m_display; }

private:
    void stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }

    pid_t m_pid = -1;
    std::string m_display;
};

} // namespace muralis::testing
