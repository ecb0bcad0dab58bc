#pragma once
// Reading and writing the current user's registry directly with the system's API, for the Windows
// settings tests: what the store wrote is checked as the registry holds it, and values are stored
// as an earlier version of the client would have stored them.

#include <cstdint>
#include <string>
#include <windows.h>

namespace kh::test {

struct RawValue
{
    LSTATUS status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::string bytes;
};

inline const wchar_t* WidePtr(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline RawValue ReadRaw(const std::u16string& key, const std::u16string& name)
{
    RawValue value;
    DWORD size = 0;
    value.status = RegGetValueW(HKEY_CURRENT_USER, WidePtr(key), WidePtr(name), RRF_RT_ANY | RRF_NOEXPAND, &value.type,
                                nullptr, &size);
    if (value.status != ERROR_SUCCESS)
        return value;
    value.bytes.assign(size, '\0');
    value.status = RegGetValueW(HKEY_CURRENT_USER, WidePtr(key), WidePtr(name), RRF_RT_ANY | RRF_NOEXPAND, &value.type,
                                value.bytes.data(), &size);
    value.bytes.resize(size);
    return value;
}

// The text of a REG_SZ value's bytes, without the terminator.
inline std::u16string RawText(const RawValue& value)
{
    std::u16string text(value.bytes.size() / 2, u'\0');
    value.bytes.copy(reinterpret_cast<char*>(text.data()), text.size() * 2);
    if (!text.empty() && text.back() == u'\0')
        text.pop_back();
    return text;
}

inline uint32_t RawNumber(const RawValue& value)
{
    uint32_t number = 0;
    value.bytes.copy(reinterpret_cast<char*>(&number), sizeof number);
    return number;
}

inline LSTATUS WriteRawText(const std::u16string& key, const std::u16string& name, const std::u16string& text)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, WidePtr(key), WidePtr(name), REG_SZ, text.c_str(),
                           static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

inline LSTATUS WriteRawNumber(const std::u16string& key, const std::u16string& name, uint32_t number)
{
    DWORD data = number;
    return RegSetKeyValueW(HKEY_CURRENT_USER, WidePtr(key), WidePtr(name), REG_DWORD, &data, sizeof data);
}

inline bool KeyExists(const std::u16string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, WidePtr(key), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

} // namespace kh::test
