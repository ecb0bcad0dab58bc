#include "platform/Autostart.h"

#include "platform/SettingsStore.h"
#include "platform/TextCodec.h"

#include <windows.h>

namespace kh {

namespace {

// The Run key is an ordinary registry key here: its values go through the store.
long OpenRunKey(StoreKey& key)
{
    std::string keptAside;
    return OpenStoreKey(kCurrentUserHive, kRunKeyPath, key, keptAside);
}

bool IsValidEntryName(const std::u16string& name)
{
    return !name.empty() && name.find(u'\0') == std::u16string::npos;
}

} // namespace

long WriteAutostartEntry(const std::u16string& name, const std::u16string& program)
{
    // An entry that starts nothing would only fail at every sign-in.
    if (!IsValidEntryName(name) || program.empty())
        return kStoreInvalidParameter;
    StoreKey key;
    long result = OpenRunKey(key);
    if (result != kStoreSuccess)
        return result;
    std::string keptAside;
    result = SetStoreValue(key, name, StoreValue{StoreType::String, program, 0}, keptAside);
    CloseStoreKey(key);
    return result;
}

long ReadAutostartEntry(const std::u16string& name, std::u16string& program)
{
    if (!IsValidEntryName(name))
        return kStoreInvalidParameter;
    StoreKey key;
    long result = OpenRunKey(key);
    if (result != kStoreSuccess)
        return result;
    StoreValue value;
    std::string keptAside;
    result = QueryStoreValue(key, name, value, keptAside);
    CloseStoreKey(key);
    if (result == kStoreSuccess && value.type != StoreType::String)
        return kStoreInvalidData;
    if (result == kStoreSuccess)
        program = value.text;
    return result;
}

long DeleteAutostartEntry(const std::u16string& name)
{
    if (!IsValidEntryName(name))
        return kStoreInvalidParameter;
    StoreKey key;
    long result = OpenRunKey(key);
    if (result != kStoreSuccess)
        return result;
    std::string keptAside;
    result = DeleteStoreValue(key, name, keptAside);
    CloseStoreKey(key);
    return result;
}

bool RunningExecutablePath(std::string& path, int& error)
{
    // MAX_PATH first; a longer path (a long-path-aware system) gets a larger buffer.
    std::u16string buffer(MAX_PATH, u'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(buffer.data()), size);
        if (n == 0) {
            error = static_cast<int>(GetLastError());
            return false;
        }
        if (n < size) {
            buffer.resize(n);
            path = WideToUtf8(buffer);
            return true;
        }
        if (buffer.size() >= 32768) {
            error = ERROR_INSUFFICIENT_BUFFER;
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace kh
