#include "settings/RegistryEditor.h"

namespace kh {

RegistryEditor::RegistryEditor(TipCallback callback, void* context) : TipSource("RegistryEditor.", callback, context) {}

void RegistryEditor::SetKey(RootKey root, const std::u16string& path)
{
    rootKey = root;
    subkeyPath = path;
}

void RegistryEditor::ReadString(const std::u16string&, std::u16string&) {}
void RegistryEditor::ReadDword(const std::u16string&, uint32_t&) {}
void RegistryEditor::WriteString(const std::u16string&, const std::u16string&) {}
void RegistryEditor::WriteDword(const std::u16string&, uint32_t) {}
void RegistryEditor::DeleteValue(const std::u16string&) {}

bool RegistryEditor::OpenKey()
{
    return false;
}

void RegistryEditor::CloseKey() {}

} // namespace kh
