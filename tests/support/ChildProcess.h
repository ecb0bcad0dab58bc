#pragma once
// The one way the tests start another program, with the arguments as they are (no shell), a
// chosen environment, and pipes for the standard streams that are asked for (otherwise standard
// input is empty and the outputs are inherited). ChildProcess keeps a long-running child (the
// sandbox) and stops it, always reaping it; RunProcess runs a program to its end with a given
// standard input and collects both outputs (the command-line tools under test).
// Linux (posix/ChildProcess.cpp): posix_spawn; Stop sends SIGTERM, then SIGKILL after the deadline.
// Windows (win32/ChildProcess.cpp): CreateProcessW with the arguments quoted for the C runtime;
// the pipe ends are C runtime descriptors; Stop terminates a child that has not ended (Windows has
// no SIGTERM for another console program).

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kh::test {

struct SpawnOptions
{
    // "NAME=VALUE" entries that replace or add to this process's environment; "NAME" alone
    // removes it.
    std::vector<std::string> environment;
    bool pipeStdin = false;
    bool pipeStdout = false;
    bool pipeStderr = false;
};

class ChildProcess final
{
public:
    ChildProcess() = default;
    // Stop() when still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is the program's path. False, with Error() saying why, when it could not be started.
    bool Start(const std::vector<std::string>& argv, const SpawnOptions& options = {});
    bool Started() const { return child > 0; }
    // The process id while the child runs or awaits reaping, else -1.
    pid_t Pid() const { return child; }
    const std::string& Error() const { return error; }

    // The parent's ends of the pipes asked for, -1 otherwise or once closed.
    int StdinFd() const { return stdinFd; }
    int StdoutFd() const { return stdoutFd; }
    int StderrFd() const { return stderrFd; }
    void CloseStdin();
    void CloseStdout();
    void CloseStderr();

    // Waits for the child to end; its exit status, -1 when a signal ended it.
    int Wait();
    // SIGTERM, then SIGKILL when it has not ended within deadline. The exit status, -1 when it had
    // to be killed or a signal ended it; the last status again when it has already been reaped.
    int Stop(std::chrono::milliseconds deadline = std::chrono::seconds(10));

private:
    // Waits at most timeout for the child to end; true (with the status reaped) when it did.
    bool WaitFor(std::chrono::milliseconds timeout);
    void Reaped(int rawStatus);

    pid_t child = -1;
    void* process = nullptr; // Windows: the child's process handle until it is reaped
    int stdinFd = -1;
    int stdoutFd = -1;
    int stderrFd = -1;
    int exitStatus = -1;
    std::string error;
};

struct ProcessResult
{
    // Exit status; -1 when the program could not be started or a signal ended it.
    int status = -1;
    std::string out;
    std::string err;
};

// Runs argv to its end with input on its standard input (then closed) and returns both outputs.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = {},
                         const std::vector<std::string>& environment = {});

} // namespace kh::test
