#include "platform/ChildProgram.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace kh {

namespace {

std::string ErrnoText(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

// Writes all of input to fd. A reader that went away gives EPIPE, never the signal: SIGPIPE is
// blocked in this thread for the write and a pending one taken back before the mask is restored.
bool WriteAll(int fd, const std::string& input)
{
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    bool ok = true;
    bool broken = false;
    size_t done = 0;
    while (done < input.size()) {
        ssize_t n = write(fd, input.data() + done, input.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            broken = n < 0 && errno == EPIPE;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (broken && !sigismember(&previous, SIGPIPE)) {
        timespec none{};
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

// Waits for child to end, at most timeoutMs, through a process descriptor; true with status set
// when it ended. Without process descriptors (an old kernel) the wait has no limit.
bool WaitForChild(pid_t child, uint32_t timeoutMs, int& status)
{
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (pidfd >= 0) {
        pollfd ready{pidfd, POLLIN, 0};
        int n;
        do {
            n = poll(&ready, 1, static_cast<int>(timeoutMs > INT32_MAX ? INT32_MAX : timeoutMs));
        } while (n < 0 && errno == EINTR);
        close(pidfd);
        if (n <= 0)
            return false;
    }
    pid_t reaped;
    do {
        reaped = waitpid(child, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    return reaped == child;
}

} // namespace

std::string FindProgram(const std::string& name)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            std::string candidate = dir + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

std::vector<std::string> ClipboardCommand(std::string& problem)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        problem = "--copy needs a desktop's X display, and DISPLAY is not set";
        return {};
    }
    std::string found = FindProgram("xclip");
    if (found.empty()) {
        problem = "--copy needs xclip to reach the clipboard (Debian package xclip, installed by scripts/setup)";
        return {};
    }
    return {found, "-selection", "clipboard"};
}

int RunProgramWithInput(const std::vector<std::string>& argv, const std::string& input, uint32_t timeoutMs,
                        std::string& problem)
{
    if (argv.empty()) {
        problem = "no program";
        return -1;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        problem = ErrnoText(errno);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The caller may block signals for a thread of its own (the terminal client's Ctrl-C): the
    // program starts with none blocked and every signal at its default action.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t child = -1;
    int spawned = posix_spawn(&child, argv[0].c_str(), &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[0]);
    if (spawned != 0) {
        close(pipeFds[1]);
        problem = argv[0] + ": " + ErrnoText(spawned);
        return -1;
    }
    // A program that does not read its input shows in its exit status, not here.
    WriteAll(pipeFds[1], input);
    close(pipeFds[1]);

    int status = 0;
    if (!WaitForChild(child, timeoutMs, status)) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        problem = argv[0] + " did not end within " + std::to_string(timeoutMs) + " ms";
        return -1;
    }
    if (!WIFEXITED(status)) {
        problem = argv[0] + " ended by signal " + std::to_string(WTERMSIG(status));
        return -1;
    }
    return WEXITSTATUS(status);
}

} // namespace kh
