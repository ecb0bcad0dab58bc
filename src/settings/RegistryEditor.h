#pragma once
// Access to the settings store, one key per operation, every failure a tip. ConfigCenter embeds
// one and uses it from Load and Save only. On Linux the store is the per-user JSON hive file of
// platform/SettingsStore; the value names, types and key paths are those of the registry.

#include "core/Tip.h"

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
    RegistryEditor(TipCallback callback, void* context);
    RegistryEditor(const RegistryEditor&) = delete;
    RegistryEditor& operator=(const RegistryEditor&) = delete;

    void SetKey(RootKey root, const std::u16string& subkeyPath);

    void ReadString(const std::u16string& name, std::u16string& out);
    void ReadDword(const std::u16string& name, uint32_t& out);
    void WriteString(const std::u16string& name, const std::u16string& value);
    void WriteDword(const std::u16string& name, uint32_t value);
    void DeleteValue(const std::u16string& name);

private:
    bool OpenKey();
    void CloseKey();

    RootKey rootKey = RootKey::None;
    std::u16string subkeyPath;
    bool keyOpen = false;
};

} // namespace kh
