#pragma once
// Access to the settings store, one key per operation, every failure a tip. ConfigCenter embeds
// one and uses it from Load and Save only. On Linux the store is the per-user JSON hive file of
// platform/SettingsStore; the value names, types and key paths are those of the registry.
// It has no lock of its own: only ConfigCenter uses it, from one thread at a time.

#include "base/Tip.h"
#include "platform/SettingsStore.h"

#include <cstdint>
#include <string>

namespace kh {

enum class RootKey
{
    None,
    CurrentUser,
};

class RegistryEditor final : public TipSource
{
public:
    // The read buffer of ReadString, in bytes: at most 1023 UTF-16 characters and the terminator.
    static constexpr size_t kStringBufferBytes = 2048;

    RegistryEditor(TipCallback callback, void* context);
    RegistryEditor(const RegistryEditor&) = delete;
    RegistryEditor& operator=(const RegistryEditor&) = delete;

    // Names the key of the following operations; it stays set until changed.
    void SetKey(RootKey root, const std::u16string& subkeyPath);

    // Absent values leave out unchanged without a tip.
    void ReadString(const std::u16string& name, std::u16string& out);
    void ReadDword(const std::u16string& name, uint32_t& out);
    void WriteString(const std::u16string& name, const std::u16string& value);
    void WriteDword(const std::u16string& name, uint32_t value);
    // Deleting an absent value is a success.
    void DeleteValue(const std::u16string& name);

private:
    bool OpenKey();
    // Opens the key for one value's operation. False, with the tip of site and the key closed
    // again, when the key cannot be opened or the value has no name.
    bool OpenForValue(const std::u16string& name, int site);
    void CloseKey();
    // Tells the user where a settings file that could not be parsed was kept.
    void ReportKeptAside(const std::string& keptAside);

    RootKey rootKey = RootKey::None;
    std::u16string subkeyPath;
    StoreKey key;
};

} // namespace kh
