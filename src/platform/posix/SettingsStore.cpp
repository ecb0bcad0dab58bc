#include "platform/SettingsStore.h"

#include "platform/Autostart.h"
#include "platform/Json.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "platform/posix/DesktopEntry.h"
#include "platform/posix/SettingsFile.h"

#include <cctype>
#include <cjson/cJSON.h>
#include <cmath>
#include <memory>
#include <mutex>

namespace kh {

namespace {

// One lock for the file and the autostart entries: every operation reads, changes and writes the
// whole file, so two threads must not interleave. It is recursive so that a thread holding a
// SettingsStoreLock across several operations can still run each of them.
std::recursive_mutex& StoreMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

// How deep the current thread is inside StoreMutex, and the lock between processes, held while a
// thread is: only the outermost holder takes and drops it.
thread_local int lockDepth = 0;
FileLock& ProcessLock()
{
    static FileLock lock;
    return lock;
}

const char* kTypeString = "REG_SZ";
const char* kTypeDword = "REG_DWORD";

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y && !(x < 128 && y < 128 && std::tolower(x) == std::tolower(y)))
            return false;
    }
    return true;
}

// A value entry is {"type": "REG_SZ", "data": "<text>"} or {"type": "REG_DWORD", "data": <0..2^32-1>}.
bool IsValidValue(const cJSON* entry)
{
    if (!cJSON_IsObject(entry))
        return false;
    const cJSON* type = cJSON_GetObjectItemCaseSensitive(entry, "type");
    const cJSON* data = cJSON_GetObjectItemCaseSensitive(entry, "data");
    if (!cJSON_IsString(type) || data == nullptr)
        return false;
    if (std::string(type->valuestring) == kTypeString)
        return cJSON_IsString(data);
    if (std::string(type->valuestring) == kTypeDword) {
        if (!cJSON_IsNumber(data))
            return false;
        double d = data->valuedouble;
        return d >= 0 && d <= 4294967295.0 && std::floor(d) == d;
    }
    return false;
}

// The whole file must have the store's shape: an object of hives, each an object of keys, each an
// object of valid values. Anything else is treated as damage rather than guessed at.
bool HasStoreShape(const cJSON* root)
{
    if (!cJSON_IsObject(root))
        return false;
    for (const cJSON* hive = root->child; hive != nullptr; hive = hive->next) {
        if (!cJSON_IsObject(hive))
            return false;
        for (const cJSON* key = hive->child; key != nullptr; key = key->next) {
            if (!cJSON_IsObject(key))
                return false;
            for (const cJSON* value = key->child; value != nullptr; value = value->next) {
                if (!IsValidValue(value))
                    return false;
            }
        }
    }
    return true;
}

// Reads the file into a tree. A missing file is an empty store. A file that is not a store, an
// empty one included (the store always writes at least "{}", so an empty file is a write that went
// wrong, not "no settings"), is renamed aside and keptAside names where it went; the store then
// reads as empty.
long LoadStore(const std::string& path, JsonPtr& root, std::string& keptAside)
{
    std::string text;
    long result = ReadWholeFile(path, text);
    if (result != kStoreSuccess && result != kStoreNotFound)
        return result;
    if (result == kStoreNotFound) {
        root.reset(cJSON_CreateObject());
        return root ? kStoreSuccess : kStoreReadFault;
    }
    root.reset(cJSON_ParseWithLength(text.data(), text.size()));
    if (root && HasStoreShape(root.get()))
        return kStoreSuccess;

    result = KeepFileAside(path, keptAside);
    if (result != kStoreSuccess)
        return result;
    root.reset(cJSON_CreateObject());
    return root ? kStoreSuccess : kStoreReadFault;
}

long SaveStore(const std::string& path, const cJSON* root)
{
    long result = MakeDirectories(ParentFolder(path));
    if (result != kStoreSuccess)
        return result;
    char* printed = cJSON_Print(root);
    if (printed == nullptr)
        return kStoreWriteFault;
    std::string text(printed);
    cJSON_free(printed);
    text += '\n';
    return WriteFileAtomically(path, text, 0600);
}

// The member of object named name, letter case ignored like the registry's names.
cJSON* Member(cJSON* object, const std::string& name)
{
    for (cJSON* item = object->child; item != nullptr; item = item->next) {
        if (item->string != nullptr && EqualsIgnoringAsciiCase(item->string, name))
            return item;
    }
    return nullptr;
}

cJSON* FindKey(cJSON* root, const StoreKey& key)
{
    cJSON* hive = Member(root, key.hive);
    return hive == nullptr ? nullptr : Member(hive, key.path);
}

bool IsValidKeyPath(const std::u16string& path)
{
    return !path.empty() && path.find(u'\0') == std::u16string::npos;
}

bool IsValidValueName(const std::u16string& name)
{
    return !name.empty() && name.find(u'\0') == std::u16string::npos;
}

} // namespace

std::string SettingsFilePath()
{
    std::string home = ConfigHome();
    return home.empty() ? std::string() : home + "/BorvanKH/registry.json";
}

SettingsStoreLock::SettingsStoreLock()
{
    StoreMutex().lock();
    if (lockDepth++ > 0)
        return;
    // Every process that writes the settings takes the lock file exclusively for its whole
    // read-change-write, so two processes never lose each other's updates. A store whose folder
    // cannot hold a lock file is still used, without protection against other processes.
    std::string file = SettingsFilePath();
    if (file.empty() || MakeDirectories(ParentFolder(file)) != kStoreSuccess)
        return;
    if (!ProcessLock().Lock(file + ".lock", true))
        return;
    // No other writer can be inside a write now, so a temporary file left beside the store was
    // left by a writer that was killed: each holds a full copy of the settings, password included.
    RemoveStaleTemporaryFiles(file);
}

SettingsStoreLock::~SettingsStoreLock()
{
    if (--lockDepth == 0)
        ProcessLock().Unlock(false);
    StoreMutex().unlock();
}

long OpenStoreKey(const std::string& hive, const std::u16string& path, StoreKey& key, std::string& keptAside)
{
    keptAside.clear();
    key = StoreKey{};
    if (hive.empty() || !IsValidKeyPath(path))
        return kStoreInvalidParameter;
    StoreKey opened{hive, WideToUtf8(path), false, true};
    SettingsStoreLock guard;

    if (hive == kCurrentUserHive && EqualsIgnoringAsciiCase(opened.path, WideToUtf8(kRunKeyPath))) {
        std::string dir = AutostartDirectory();
        if (dir.empty())
            return kStorePathNotFound;
        long result = MakeDirectories(dir);
        if (result != kStoreSuccess)
            return result;
        opened.autostart = true;
        key = opened;
        return kStoreSuccess;
    }

    std::string file = SettingsFilePath();
    if (file.empty())
        return kStorePathNotFound;
    JsonPtr root;
    long result = LoadStore(file, root, keptAside);
    if (result != kStoreSuccess)
        return result;
    if (FindKey(root.get(), opened) == nullptr) {
        cJSON* hiveItem = Member(root.get(), hive);
        if (hiveItem == nullptr) {
            hiveItem = cJSON_CreateObject();
            if (hiveItem == nullptr || !cJSON_AddItemToObject(root.get(), hive.c_str(), hiveItem))
                return kStoreWriteFault;
        }
        if (cJSON_AddObjectToObject(hiveItem, opened.path.c_str()) == nullptr)
            return kStoreWriteFault;
        result = SaveStore(file, root.get());
        if (result != kStoreSuccess)
            return result;
    }
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
    if (!IsValidValueName(name))
        return kStoreInvalidParameter;
    SettingsStoreLock guard;
    if (key.autostart) {
        std::u16string program;
        long result = ReadAutostartEntry(name, program);
        if (result == kStoreSuccess)
            value = StoreValue{StoreType::String, program, 0};
        return result;
    }

    JsonPtr root;
    long result = LoadStore(SettingsFilePath(), root, keptAside);
    if (result != kStoreSuccess)
        return result;
    cJSON* keyItem = FindKey(root.get(), key);
    cJSON* entry = keyItem == nullptr ? nullptr : Member(keyItem, WideToUtf8(name));
    if (entry == nullptr)
        return kStoreNotFound;
    const cJSON* type = cJSON_GetObjectItemCaseSensitive(entry, "type");
    const cJSON* data = cJSON_GetObjectItemCaseSensitive(entry, "data");
    if (std::string(type->valuestring) == kTypeString)
        value = StoreValue{StoreType::String, Utf8ToWide(data->valuestring), 0};
    else
        value = StoreValue{StoreType::Dword, {}, static_cast<uint32_t>(data->valuedouble)};
    return kStoreSuccess;
}

long SetStoreValue(const StoreKey& key, const std::u16string& name, const StoreValue& value, std::string& keptAside)
{
    keptAside.clear();
    if (!key.open)
        return kStoreInvalidHandle;
    if (!IsValidValueName(name))
        return kStoreInvalidParameter;
    SettingsStoreLock guard;
    if (key.autostart) {
        if (value.type != StoreType::String)
            return kStoreInvalidParameter;
        return WriteAutostartEntry(name, value.text);
    }

    std::string file = SettingsFilePath();
    JsonPtr root;
    long result = LoadStore(file, root, keptAside);
    if (result != kStoreSuccess)
        return result;
    // A key removed behind an open handle is created again, as writing through a handle would.
    cJSON* keyItem = FindKey(root.get(), key);
    if (keyItem == nullptr) {
        cJSON* hiveItem = Member(root.get(), key.hive);
        if (hiveItem == nullptr && (hiveItem = cJSON_AddObjectToObject(root.get(), key.hive.c_str())) == nullptr)
            return kStoreWriteFault;
        if ((keyItem = cJSON_AddObjectToObject(hiveItem, key.path.c_str())) == nullptr)
            return kStoreWriteFault;
    }
    JsonPtr entry(cJSON_CreateObject());
    if (!entry)
        return kStoreWriteFault;
    bool built;
    if (value.type == StoreType::String) {
        // The stored text ends at the first null, as a reader of the terminated string sees it.
        std::u16string text = value.text.substr(0, value.text.find(u'\0'));
        built = cJSON_AddStringToObject(entry.get(), "type", kTypeString) != nullptr &&
                cJSON_AddStringToObject(entry.get(), "data", WideToUtf8(text).c_str()) != nullptr;
    } else {
        built = cJSON_AddStringToObject(entry.get(), "type", kTypeDword) != nullptr &&
                cJSON_AddNumberToObject(entry.get(), "data", static_cast<double>(value.number)) != nullptr;
    }
    if (!built)
        return kStoreWriteFault;

    std::string utf8Name = WideToUtf8(name);
    cJSON* existing = Member(keyItem, utf8Name);
    if (existing != nullptr) {
        // Keeps the name as first written, like the registry does when only the case differs.
        std::string storedName = existing->string;
        if (!cJSON_ReplaceItemInObjectCaseSensitive(keyItem, storedName.c_str(), entry.get()))
            return kStoreWriteFault;
    } else if (!cJSON_AddItemToObject(keyItem, utf8Name.c_str(), entry.get())) {
        return kStoreWriteFault;
    }
    entry.release();
    return SaveStore(file, root.get());
}

long DeleteStoreValue(const StoreKey& key, const std::u16string& name, std::string& keptAside)
{
    keptAside.clear();
    if (!key.open)
        return kStoreInvalidHandle;
    if (!IsValidValueName(name))
        return kStoreInvalidParameter;
    SettingsStoreLock guard;
    if (key.autostart)
        return DeleteAutostartEntry(name);

    std::string file = SettingsFilePath();
    JsonPtr root;
    long result = LoadStore(file, root, keptAside);
    if (result != kStoreSuccess)
        return result;
    cJSON* keyItem = FindKey(root.get(), key);
    cJSON* entry = keyItem == nullptr ? nullptr : Member(keyItem, WideToUtf8(name));
    if (entry == nullptr)
        return kStoreNotFound;
    cJSON_Delete(cJSON_DetachItemViaPointer(keyItem, entry));
    return SaveStore(file, root.get());
}

} // namespace kh
