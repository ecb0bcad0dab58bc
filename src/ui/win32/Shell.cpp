#include "ui/win32/Shell.h"

#include "ui/win32/GuiThread.h"
#include "ui/win32/WinApi.h"

namespace kh::win32 {

long Shell::OpenUrl(const std::u16string& url)
{
    return OnGuiThread(
        [&] {
            HINSTANCE result = ShellExecuteW(nullptr, L"open", Wide(url), nullptr, nullptr, SW_SHOWNORMAL);
            return static_cast<long>(reinterpret_cast<INT_PTR>(result));
        },
        0L);
}

} // namespace kh::win32
