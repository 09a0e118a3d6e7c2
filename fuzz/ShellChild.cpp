#include "ShellChild.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ShellResult RunShell(const std::vector<std::string>& arguments, const std::string& directory,
                     const std::vector<std::string>& environment) {
    std::vector<std::string> argv{"/bin/sh"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = environment;
    std::vector<char*> argp = Pointers(argv);
    std::vector<char*> envpp = Pointers(envp);

    int pipes[3][2];
    for (auto& p : pipes)
        if (pipe2(p, O_CLOEXEC) != 0)
            return {};
    const pid_t child = fork();
    if (child < 0)
        return {};
    if (child == 0) {
        // Only async-signal-safe calls from here to exec.
        const int null = open("/dev/null", O_RDONLY);
        if (null < 0 || dup2(null, 0) < 0 || dup2(pipes[0][1], 1) < 0 || dup2(pipes[1][1], 2) < 0 ||
            dup2(pipes[2][1], 3) < 0 || chdir(directory.c_str()) != 0)
            _exit(125);
        if (pipes[2][1] == 3) // dup2 onto itself keeps close-on-exec
            fcntl(3, F_SETFD, 0);
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0))
            _exit(125);
        execve(argp[0], argp.data(), envpp.data());
        _exit(126);
    }
    for (auto& p : pipes)
        close(p[1]);
    ShellResult result;
    std::string* sinks[3] = {&result.out, &result.err, &result.extra};
    pollfd fds[3];
    for (int i = 0; i < 3; ++i)
        fds[i] = {pipes[i][0], POLLIN, 0};
    int open = 3;
    while (open > 0) {
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 3; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents)
                continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, std::size_t(got));
            } else if (got == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exited = WIFEXITED(status);
    result.status = result.exited ? WEXITSTATUS(status) : -1;
    return result;
}

void OpenToTheShell(const std::string& path) {
    chmod(path.c_str(), 0755);
}
