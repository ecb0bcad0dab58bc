#include "ui/win32/Clipboard.h"

#include "ui/win32/WinApi.h"

#include <cstring>

namespace kh::win32 {

bool Clipboard::Open()
{
    return OpenClipboard(nullptr) != 0;
}

bool Clipboard::Empty()
{
    return EmptyClipboard() != 0;
}

bool Clipboard::SetUnicodeText(const std::u16string& text)
{
    // The characters and the terminating null: an empty text is one null character.
    size_t size = (text.size() + 1) * sizeof(char16_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr)
        return false;
    void* bytes = GlobalLock(memory);
    if (bytes == nullptr) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, text.c_str(), size);
    SetLastError(0);
    if (!GlobalUnlock(memory) && GetLastError() != NO_ERROR) {
        GlobalFree(memory);
        return false;
    }
    // The clipboard owns the memory from here on, but only if it took it.
    HANDLE taken = SetClipboardData(CF_UNICODETEXT, memory);
    if (taken == nullptr) {
        GlobalFree(memory);
        return false;
    }
    return taken == memory;
}

bool Clipboard::Close()
{
    return CloseClipboard() != 0;
}

} // namespace kh::win32
