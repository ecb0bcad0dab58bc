#include "platform/Terminal.h"

#include "platform/TextCodec.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <mutex>
#include <windows.h>
// clang-format off: shellapi.h needs the declarations of windows.h before it.
#include <shellapi.h>
// clang-format on

namespace kh {

namespace {

// The console input mode before echo was turned off; saved is true while it is to be put back.
DWORD savedMode = 0;
std::atomic<bool> saved{false};

// The watcher's action. The system runs the handler on a thread of its own for each event.
std::mutex stopMutex;
std::function<void()> stopAction;

BOOL WINAPI StopHandler(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    std::function<void()> action;
    {
        std::lock_guard<std::mutex> guard(stopMutex);
        action = stopAction;
    }
    if (!action)
        return FALSE;
    action();
    return TRUE;
}

// One line typed on the console, read as wide characters so that any character arrives whole.
bool ReadConsoleLine(HANDLE input, std::string& line)
{
    std::u16string wide;
    bool any = false;
    for (;;) {
        wchar_t c;
        DWORD got = 0;
        if (!ReadConsoleW(input, &c, 1, &got, nullptr) || got == 0)
            break;
        any = true;
        if (c == L'\n')
            break;
        if (c != L'\r')
            wide += static_cast<char16_t>(c);
    }
    line = WideToUtf8(wide);
    return any;
}

// One line from a pipe or a file, taken byte by byte so nothing after the line is consumed; the
// bytes are taken as UTF-8, the program's own text.
bool ReadByteLine(std::string& line)
{
    bool any = false;
    for (;;) {
        char c;
        int got = _read(0, &c, 1);
        if (got <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

} // namespace

void RestoreTerminalEcho()
{
    if (saved.exchange(false))
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), savedMode);
}

bool ReadSecretLine(const std::string& prompt, std::string& line)
{
    line.clear();
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    bool console = input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode);
    if (!console)
        return ReadByteLine(line);

    savedMode = mode;
    saved = true;
    if (!SetConsoleMode(input, (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT))
        saved = false;
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    bool any = ReadConsoleLine(input, line);
    RestoreTerminalEcho();
    // The Enter key was not echoed either.
    std::fputs("\n", stderr);
    return any;
}

void UseUtf8Console()
{
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}

void UseBinaryStdout()
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        // Without the wide command line the ANSI arguments are the best there is.
        std::vector<std::string> narrow;
        for (int i = 0; i < argc; ++i) {
            std::u16string text;
            MultiByteToWide(kCpThreadAcp, argv[i], text);
            narrow.push_back(WideToUtf8(text));
        }
        return narrow;
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(WideToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
    LocalFree(wide);
    return arguments;
}

StopRequestWatch::StopRequestWatch(std::function<void()> onStop)
{
    {
        std::lock_guard<std::mutex> guard(stopMutex);
        stopAction = std::move(onStop);
    }
    SetConsoleCtrlHandler(StopHandler, TRUE);
}

StopRequestWatch::~StopRequestWatch()
{
    SetConsoleCtrlHandler(StopHandler, FALSE);
    std::lock_guard<std::mutex> guard(stopMutex);
    stopAction = nullptr;
}

} // namespace kh
