#pragma once
// The Windows headers as the Win32 window uses them: wide (W) functions only, no min/max macros.
// The port interfaces have members named like Windows' text macros (GetWindowText,
// SetWindowText); those macros are taken out again here, so the names mean the members, and the
// code of this folder calls the W functions by their full names.

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

// windows.h comes first: the other two build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on
#include <string>

#undef GetWindowText
#undef SetWindowText
#undef MessageBox

namespace kh::win32 {

// Windows' wide characters are UTF-16 code units, as char16_t is: the two views of one buffer.
inline const wchar_t* Wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromWide(const wchar_t* text, size_t length)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

} // namespace kh::win32
