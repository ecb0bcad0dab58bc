#include "support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kh::test {

namespace {

// The environment of this process with the overrides applied.
std::vector<std::string> Environment(const std::vector<std::string>& overrides)
{
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string name = nameOf(*entry);
        bool replaced = false;
        for (const std::string& change : overrides)
            replaced = replaced || nameOf(change) == name;
        if (!replaced)
            result.emplace_back(*entry);
    }
    for (const std::string& change : overrides)
        if (change.find('=') != std::string::npos)
            result.push_back(change);
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

ChildProcess::~ChildProcess()
{
    Stop();
    CloseStdin();
    CloseStdout();
    CloseStderr();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const SpawnOptions& options)
{
    if (child > 0 || argv.empty()) {
        error = child > 0 ? "already started" : "no program given";
        return false;
    }
    // Each pipe: [0] read end, [1] write end; both close-on-exec, the child's end is dup2-ed.
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    auto makePipe = [&](bool wanted, int(&fds)[2]) { return !wanted || pipe2(fds, O_CLOEXEC) == 0; };
    if (!makePipe(options.pipeStdin, in) || !makePipe(options.pipeStdout, out) || !makePipe(options.pipeStderr, err)) {
        error = std::string("cannot create a pipe: ") + std::strerror(errno);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            if (fd >= 0)
                close(fd);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.pipeStdin)
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (options.pipeStdout)
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (options.pipeStderr)
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

    std::vector<std::string> args = argv;
    std::vector<std::string> environment = Environment(options.environment);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(environment);
    int spawned = posix_spawn(&child, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {in[0], out[1], err[1]})
        if (fd >= 0)
            close(fd);
    stdinFd = in[1];
    stdoutFd = out[0];
    stderrFd = err[0];
    if (spawned != 0) {
        child = -1;
        CloseStdin();
        CloseStdout();
        CloseStderr();
        error = "cannot start " + argv[0] + ": " + std::strerror(spawned);
        return false;
    }
    return true;
}

void ChildProcess::CloseStdin()
{
    CloseFd(stdinFd);
}

void ChildProcess::CloseStdout()
{
    CloseFd(stdoutFd);
}

void ChildProcess::CloseStderr()
{
    CloseFd(stderrFd);
}

void ChildProcess::Reaped(int rawStatus)
{
    exitStatus = WIFEXITED(rawStatus) ? WEXITSTATUS(rawStatus) : -1;
    child = -1;
}

int ChildProcess::Wait()
{
    if (child <= 0)
        return exitStatus;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    Reaped(status);
    return exitStatus;
}

bool ChildProcess::WaitFor(std::chrono::milliseconds timeout)
{
    int status = 0;
    // A process descriptor becomes readable when the child ends, so the wait needs no polling.
    // Through syscall(): the C library's header of this call lacks C linkage for C++.
    int pidFd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (pidFd >= 0) {
        pollfd ended = {pidFd, POLLIN, 0};
        int ready;
        while ((ready = poll(&ended, 1, static_cast<int>(timeout.count()))) < 0 && errno == EINTR) {
        }
        close(pidFd);
        if (ready <= 0)
            return false;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        Reaped(status);
        return true;
    }
    // Kernels without process descriptors: look every few milliseconds.
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            Reaped(status);
            return true;
        }
        if (std::chrono::steady_clock::now() >= end)
            return false;
        usleep(10000);
    }
}

int ChildProcess::Stop(std::chrono::milliseconds deadline)
{
    if (child <= 0)
        return exitStatus;
    kill(child, SIGTERM);
    if (WaitFor(deadline))
        return exitStatus;
    kill(child, SIGKILL);
    Wait();
    exitStatus = -1;
    return exitStatus;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input,
                         const std::vector<std::string>& environment)
{
    ProcessResult result;
    ChildProcess process;
    SpawnOptions options;
    options.environment = environment;
    options.pipeStdin = options.pipeStdout = options.pipeStderr = true;
    if (!process.Start(argv, options)) {
        result.err = process.Error();
        return result;
    }
    // A child that ends without reading its input must not end this process with SIGPIPE: the
    // signal is blocked on this thread while writing, and one left pending is taken away after.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);

    size_t written = 0;
    if (input.empty())
        process.CloseStdin();
    fcntl(process.StdinFd(), F_SETFL, O_NONBLOCK);
    while (process.StdinFd() >= 0 || process.StdoutFd() >= 0 || process.StderrFd() >= 0) {
        pollfd fds[3] = {
            {process.StdinFd(), POLLOUT, 0}, {process.StdoutFd(), POLLIN, 0}, {process.StderrFd(), POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0) {
            ssize_t n = write(process.StdinFd(), input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<size_t>(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
                process.CloseStdin();
        }
        struct Stream
        {
            int index;
            std::string& text;
            void (ChildProcess::*close)();
        } streams[] = {{1, result.out, &ChildProcess::CloseStdout}, {2, result.err, &ChildProcess::CloseStderr}};
        for (const Stream& stream : streams) {
            if (fds[stream.index].revents == 0)
                continue;
            char buffer[4096];
            ssize_t n = read(fds[stream.index].fd, buffer, sizeof buffer);
            if (n > 0)
                stream.text.append(buffer, static_cast<size_t>(n));
            else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                (process.*stream.close)();
        }
    }
    timespec now = {0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &now) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    result.status = process.Wait();
    return result;
}

} // namespace kh::test
