// borvankh.exe: the windowed client on Windows (Win32, GUI subsystem). Makes the calling thread the
// GUI thread, with its COM apartment (the shell's handlers and the common file dialog expect one)
// and the common controls, and runs Win32Client. "--version" and "--help" are answered on the
// standard output the program was given, or the console of the program that started it.

#include "base/Version.h"
#include "ui/win32/GuiThread.h"
#include "ui/win32/Win32Client.h"
#include "ui/win32/WinApi.h"

#include <cstring>
#include <cwchar>
#include <objbase.h>

namespace {

const char* kHelp = "Usage: borvankh [--help | --version]\r\n"
                    "The windowed client of BorvanKH: sign in to the SMS verification-code service,\r\n"
                    "rent phone numbers for a project, receive their SMS and copy the verification\r\n"
                    "codes. Closing the window gives the unused numbers back.\r\n"
                    "\r\n"
                    "Settings: the registry key HKEY_CURRENT_USER\\Software\\Zelto\\KH, shared with\r\n"
                    "borvankh-cli. Numbers still rented: %LOCALAPPDATA%\\BorvanKH\\journal. Tip logs:\r\n"
                    "TipsLog beside the program (or %LOCALAPPDATA%\\BorvanKH\\TipsLog).\r\n";

// A GUI program has no console of its own: without a redirected output, the text goes to the
// console of the program that started it, if any.
void Print(const char* text)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(out, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc == 2) {
        if (std::wcscmp(argv[1], L"--version") == 0) {
            Print("borvankh " KH_VERSION "\r\n");
            LocalFree(argv);
            return 0;
        }
        if (std::wcscmp(argv[1], L"--help") == 0 || std::wcscmp(argv[1], L"-h") == 0) {
            Print(kHelp);
            LocalFree(argv);
            return 0;
        }
    }
    if (argv != nullptr)
        LocalFree(argv);

    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    int status = 1;
    if (kh::win32::StartGuiThread()) {
        {
            // The client and its windows go before the GUI thread's window.
            kh::win32::Win32Client client;
            status = client.Run();
        }
        kh::win32::StopGuiThread();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return status;
}
