#include "platform/ChildProgram.h"

#include "platform/TextCodec.h"
#include "platform/win32/CommandLine.h"

#include <windows.h>

namespace kh {

namespace {

std::wstring Wide(const std::string& utf8)
{
    std::u16string wide = Utf8ToWide(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string SystemMessage(DWORD error)
{
    return "Windows error " + std::to_string(error);
}

} // namespace

std::string FindProgram(const std::string& name)
{
    if (name.empty())
        return {};
    wchar_t found[MAX_PATH + 1];
    DWORD n = SearchPathW(nullptr, Wide(name).c_str(), L".exe", MAX_PATH + 1, found, nullptr);
    if (n == 0 || n > MAX_PATH)
        return {};
    return WideToUtf8(reinterpret_cast<const char16_t*>(found));
}

std::vector<std::string> ClipboardCommand(std::string& problem)
{
    std::string found = FindProgram("clip");
    if (found.empty()) {
        problem = "--copy needs clip.exe (part of Windows) to reach the clipboard";
        return {};
    }
    return {found};
}

int RunProgramWithInput(const std::vector<std::string>& argv, const std::string& input, uint32_t timeoutMs,
                        std::string& problem)
{
    if (argv.empty()) {
        problem = "no program";
        return -1;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        problem = SystemMessage(GetLastError());
        return -1;
    }
    // Only the child's end is inherited.
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine;
    for (const std::string& arg : argv)
        commandLine += (commandLine.empty() ? L"" : L" ") + QuoteArgument(Wide(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = nullptr;
    startup.hStdError = nullptr;
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessW(Wide(argv[0]).c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                  nullptr, nullptr, &startup, &process);
    DWORD startError = GetLastError();
    CloseHandle(readEnd);
    if (!started) {
        CloseHandle(writeEnd);
        problem = argv[0] + ": " + SystemMessage(startError);
        return -1;
    }
    CloseHandle(process.hThread);
    // A program that does not read its input shows in its exit status, not here.
    size_t done = 0;
    while (done < input.size()) {
        DWORD written = 0;
        if (!WriteFile(writeEnd, input.data() + done, static_cast<DWORD>(input.size() - done), &written, nullptr) ||
            written == 0)
            break;
        done += written;
    }
    CloseHandle(writeEnd);

    int status = -1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        problem = argv[0] + " did not end within " + std::to_string(timeoutMs) + " ms";
    } else {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        status = static_cast<int>(code);
    }
    CloseHandle(process.hProcess);
    return status;
}

std::wstring QuoteArgument(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            quoted.append(backslashes * 2 + 1, L'\\');
        else
            quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

} // namespace kh
