#include "support/ChildProcess.h"

#include "platform/TextCodec.h"
#include "platform/win32/CommandLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <thread>
#include <windows.h>

namespace kh::test {

namespace {

std::wstring Wide(const std::string& utf8)
{
    std::u16string text = Utf8ToWide(utf8);
    return std::wstring(text.begin(), text.end());
}

// This process's environment with the overrides applied, as CreateProcessW takes it: "NAME=VALUE"
// entries each ended by a null, and one more null at the end. Names compare without letter case.
std::wstring EnvironmentBlock(const std::vector<std::string>& overrides)
{
    auto nameOf = [](const std::wstring& entry) {
        std::wstring name = entry.substr(0, entry.find(L'=', 1));
        for (wchar_t& c : name)
            c = static_cast<wchar_t>(towupper(c));
        return name;
    };
    std::vector<std::wstring> changes;
    for (const std::string& change : overrides)
        changes.push_back(Wide(change));
    std::wstring block;
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* entry = current; entry != nullptr && *entry != L'\0'; entry += wcslen(entry) + 1) {
        std::wstring text = entry;
        bool replaced = false;
        for (const std::wstring& change : changes)
            replaced = replaced || nameOf(change) == nameOf(text);
        if (!replaced)
            block += text + L'\0';
    }
    if (current != nullptr)
        FreeEnvironmentStringsW(current);
    for (const std::wstring& change : changes)
        if (change.find(L'=', 1) != std::wstring::npos)
            block += change + L'\0';
    block += L'\0';
    return block;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        _close(fd);
    fd = -1;
}

// A pipe whose parent end becomes a C runtime descriptor and whose child end is inheritable.
bool MakePipe(bool parentReads, int& parentFd, HANDLE& childEnd)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return false;
    HANDLE parentEnd = parentReads ? readEnd : writeEnd;
    childEnd = parentReads ? writeEnd : readEnd;
    SetHandleInformation(parentEnd, HANDLE_FLAG_INHERIT, 0);
    parentFd = _open_osfhandle(reinterpret_cast<intptr_t>(parentEnd), (parentReads ? _O_RDONLY : 0) | _O_BINARY);
    if (parentFd < 0) {
        CloseHandle(parentEnd);
        CloseHandle(childEnd);
        childEnd = nullptr;
        return false;
    }
    return true;
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
    HANDLE childIn = nullptr;
    HANDLE childOut = nullptr;
    HANDLE childErr = nullptr;
    bool piped = (!options.pipeStdin || MakePipe(false, stdinFd, childIn)) &&
                 (!options.pipeStdout || MakePipe(true, stdoutFd, childOut)) &&
                 (!options.pipeStderr || MakePipe(true, stderrFd, childErr));
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE nul = nullptr;
    if (piped && !options.pipeStdin) {
        nul =
            CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        childIn = nul;
    }
    auto closeChildEnds = [&] {
        for (HANDLE h : {childIn, childOut, childErr})
            if (h != nullptr && h != INVALID_HANDLE_VALUE)
                CloseHandle(h);
    };
    if (!piped) {
        closeChildEnds();
        CloseStdin();
        CloseStdout();
        CloseStderr();
        error = "cannot create a pipe";
        return false;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut != nullptr ? childOut : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = childErr != nullptr ? childErr : GetStdHandle(STD_ERROR_HANDLE);
    std::wstring commandLine;
    for (const std::string& argument : argv)
        commandLine += (commandLine.empty() ? L"" : L" ") + QuoteArgument(Wide(argument));
    std::wstring environment = EnvironmentBlock(options.environment);
    std::wstring program = Wide(argv[0]);
    PROCESS_INFORMATION info{};
    BOOL created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                  CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info);
    DWORD failure = created ? 0 : GetLastError();
    closeChildEnds();
    if (!created) {
        CloseStdin();
        CloseStdout();
        CloseStderr();
        error = "cannot start " + argv[0] + ": error " + std::to_string(failure);
        return false;
    }
    CloseHandle(info.hThread);
    process = info.hProcess;
    child = static_cast<pid_t>(info.dwProcessId);
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
    exitStatus = rawStatus;
    child = -1;
    if (process != nullptr)
        CloseHandle(static_cast<HANDLE>(process));
    process = nullptr;
}

int ChildProcess::Wait()
{
    if (child <= 0)
        return exitStatus;
    WaitFor(std::chrono::milliseconds(INFINITE));
    return exitStatus;
}

bool ChildProcess::WaitFor(std::chrono::milliseconds timeout)
{
    HANDLE handle = static_cast<HANDLE>(process);
    DWORD limit = timeout.count() >= INFINITE ? INFINITE : static_cast<DWORD>(timeout.count());
    if (WaitForSingleObject(handle, limit) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(handle, &code);
    Reaped(static_cast<int>(code));
    return true;
}

int ChildProcess::Stop(std::chrono::milliseconds deadline)
{
    if (child <= 0)
        return exitStatus;
    // Windows has no polite stop for another console program (nothing like SIGTERM), so there is
    // nothing to wait the deadline for: a child that has not ended is terminated, and counts as
    // killed.
    (void)deadline;
    if (WaitFor(std::chrono::milliseconds(0)))
        return exitStatus;
    TerminateProcess(static_cast<HANDLE>(process), 1);
    WaitFor(std::chrono::milliseconds(INFINITE));
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
    // Anonymous pipes have no readiness test: one thread per stream, so a child that fills one
    // output while this side writes its input cannot block both.
    auto drain = [](int fd, std::string& text) {
        char buffer[4096];
        int n;
        while ((n = _read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
    };
    std::thread out(drain, process.StdoutFd(), std::ref(result.out));
    std::thread err(drain, process.StderrFd(), std::ref(result.err));
    size_t written = 0;
    while (written < input.size()) {
        int n = _write(process.StdinFd(), input.data() + written, static_cast<unsigned>(input.size() - written));
        if (n <= 0)
            break; // the child closed its input
        written += static_cast<size_t>(n);
    }
    process.CloseStdin();
    out.join();
    err.join();
    process.CloseStdout();
    process.CloseStderr();
    result.status = process.Wait();
    return result;
}

} // namespace kh::test
