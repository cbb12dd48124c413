#pragma once

#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace moxel::test {

// The user and group "nobody" usually have.
inline constexpr uid_t kUnprivilegedId = 65534;
inline constexpr int kCannotDropPrivileges = 2;

// Runs fn as an ordinary user so that folder permissions apply even when the
// tests run as root (root writes into read-only folders): directly when not
// root, else in a child process that gives up root first and hands fn's text
// back through a pipe. nullopt when the privileges could not be dropped; a
// child that fails otherwise gives a text saying so (which no test expects).
inline std::optional<std::string> runUnprivileged(const std::function<std::string()>& fn) {
    if (geteuid() != 0) {
        return fn();
    }
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        close(fds[0]);
        if (setgroups(0, nullptr) != 0 || setgid(kUnprivilegedId) != 0 ||
            setuid(kUnprivilegedId) != 0) {
            _exit(kCannotDropPrivileges);
        }
        const std::string text = fn();
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = write(fds[1], text.data() + done, text.size() - done);
            if (n <= 0) {
                _exit(3);
            }
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        return "the unprivileged child process was lost";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotDropPrivileges) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "the unprivileged child process failed with status " + std::to_string(status);
    }
    return text;
}

} // namespace moxel::test
