#include "platform/SettingsStore.h"

#include "platform/TextCodec.h"

#include <mutex>
#include <windows.h>

namespace kh {

namespace {

// One lock for the store in this process, recursive so that a thread holding a SettingsStoreLock
// across several operations can still run each of them. The registry keeps each value consistent
// by itself; the lock makes a read-change-write of several values one step.
std::recursive_mutex& StoreMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

// How deep the current thread is inside StoreMutex, and the named mutex that the outermost holder
// owns against the user's other processes (owned tells whether it could be taken).
thread_local int lockDepth = 0;
HANDLE sessionMutex = nullptr;
bool owned = false;

const wchar_t* Wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

bool IsValidName(const std::u16string& name)
{
    return !name.empty() && name.find(u'\0') == std::u16string::npos;
}

// The hive's predefined key, null for a hive the client does not use.
HKEY HiveKey(const std::string& hive)
{
    return hive == kCurrentUserHive ? HKEY_CURRENT_USER : nullptr;
}

// Registry results are the store's result codes already (they are numbered alike).
long Result(LSTATUS status)
{
    return static_cast<long>(status);
}

// Opens the key for access; creates it when create is set (a key removed behind an open StoreKey
// is created again by a write, as on the other systems).
LSTATUS OpenKey(const StoreKey& key, REGSAM access, bool create, HKEY& handle)
{
    HKEY root = HiveKey(key.hive);
    if (root == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::u16string path = Utf8ToWide(key.path);
    if (create)
        return RegCreateKeyExW(root, Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &handle,
                               nullptr);
    return RegOpenKeyExW(root, Wide(path), 0, access, &handle);
}

} // namespace

SettingsStoreLock::SettingsStoreLock()
{
    StoreMutex().lock();
    if (lockDepth++ > 0)
        return;
    // The user's processes share one mutex in their session. Without it the store is still used,
    // unprotected against the other processes, as the Linux store does without its lock file.
    if (sessionMutex == nullptr)
        sessionMutex = CreateMutexW(nullptr, FALSE, L"Local\\BorvanKH.SettingsStore");
    if (sessionMutex != nullptr) {
        // An owner that ended without releasing it (WAIT_ABANDONED) hands it over all the same:
        // every registry write is complete in itself.
        DWORD waited = WaitForSingleObject(sessionMutex, INFINITE);
        owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
}

SettingsStoreLock::~SettingsStoreLock()
{
    if (--lockDepth == 0 && owned) {
        ReleaseMutex(sessionMutex);
        owned = false;
    }
    StoreMutex().unlock();
}

long OpenStoreKey(const std::string& hive, const std::u16string& path, StoreKey& key, std::string& keptAside)
{
    keptAside.clear();
    key = StoreKey{};
    if (HiveKey(hive) == nullptr || !IsValidName(path))
        return kStoreInvalidParameter;
    StoreKey opened{hive, WideToUtf8(path), false, true};
    SettingsStoreLock guard;
    HKEY handle = nullptr;
    LSTATUS status = OpenKey(opened, KEY_QUERY_VALUE | KEY_SET_VALUE, true, handle);
    if (status != ERROR_SUCCESS)
        return Result(status);
    RegCloseKey(handle);
    key = opened;
    return kStoreSuccess;
}

long CloseStoreKey(StoreKey& key)
{
    if (!key.open)
        return kStoreInvalidHandle;
    key = StoreKey{};
    return kStoreSuccess;
}

long QueryStoreValue(const StoreKey& key, const std::u16string& name, StoreValue& value, std::string& keptAside)
{
    keptAside.clear();
    if (!key.open)
        return kStoreInvalidHandle;
    if (!IsValidName(name))
        return kStoreInvalidParameter;
    SettingsStoreLock guard;
    HKEY handle = nullptr;
    LSTATUS status = OpenKey(key, KEY_QUERY_VALUE, false, handle);
    if (status != ERROR_SUCCESS)
        return Result(status);
    // The size is asked first; a value that grows between the two calls is asked again.
    DWORD type = 0;
    std::string data;
    for (;;) {
        DWORD size = 0;
        status = RegQueryValueExW(handle, Wide(name), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            break;
        data.assign(size, '\0');
        status = RegQueryValueExW(handle, Wide(name), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA)
            continue;
        data.resize(size);
        break;
    }
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS)
        return Result(status);

    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::u16string text(data.size() / sizeof(char16_t), u'\0');
        data.copy(reinterpret_cast<char*>(text.data()), text.size() * sizeof(char16_t));
        // The stored terminator is not part of the text.
        if (!text.empty() && text.back() == u'\0')
            text.pop_back();
        value = StoreValue{StoreType::String, text, 0};
        return kStoreSuccess;
    }
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        data.copy(reinterpret_cast<char*>(&number), sizeof number);
        value = StoreValue{StoreType::Dword, {}, number};
        return kStoreSuccess;
    }
    // Binary data, multi-strings and 64-bit numbers are none of the store's two types.
    return kStoreInvalidData;
}

long SetStoreValue(const StoreKey& key, const std::u16string& name, const StoreValue& value, std::string& keptAside)
{
    keptAside.clear();
    if (!key.open)
        return kStoreInvalidHandle;
    if (!IsValidName(name))
        return kStoreInvalidParameter;
    SettingsStoreLock guard;
    HKEY handle = nullptr;
    LSTATUS status = OpenKey(key, KEY_SET_VALUE, true, handle);
    if (status != ERROR_SUCCESS)
        return Result(status);
    if (value.type == StoreType::String) {
        // The characters up to the first null and the terminator: 2 x (length + 1) bytes.
        std::u16string text = value.text.substr(0, value.text.find(u'\0'));
        DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
        status = RegSetValueExW(handle, Wide(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    } else {
        DWORD number = value.number;
        status =
            RegSetValueExW(handle, Wide(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    RegCloseKey(handle);
    return Result(status);
}

long DeleteStoreValue(const StoreKey& key, const std::u16string& name, std::string& keptAside)
{
    keptAside.clear();
    if (!key.open)
        return kStoreInvalidHandle;
    if (!IsValidName(name))
        return kStoreInvalidParameter;
    SettingsStoreLock guard;
    HKEY handle = nullptr;
    LSTATUS status = OpenKey(key, KEY_SET_VALUE, false, handle);
    if (status != ERROR_SUCCESS)
        return Result(status);
    status = RegDeleteValueW(handle, Wide(name));
    RegCloseKey(handle);
    return Result(status);
}

} // namespace kh
