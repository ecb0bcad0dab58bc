#include "settings/RegistryEditor.h"

#include "platform/TextCodec.h"

namespace kh {

namespace {

const char* HiveName(RootKey root)
{
    return root == RootKey::CurrentUser ? kCurrentUserHive : "";
}

// The tip of a stored value that cannot be read as its setting: it names the setting and says what
// the client does instead (reading happens at start-up, over the defaults).
std::string UnreadableValue(const std::u16string& name, const char* what)
{
    return "设置 " + WideToAnsi(name) + " " + what + "，本次使用默认值。";
}

} // namespace

RegistryEditor::RegistryEditor(TipCallback callback, void* context) : TipSource("RegistryEditor.", callback, context) {}

void RegistryEditor::SetKey(RootKey root, const std::u16string& path)
{
    rootKey = root;
    subkeyPath = path;
}

void RegistryEditor::ReportKeptAside(const std::string& keptAside)
{
    if (!keptAside.empty())
        ReportTip("设置文件已损坏，已另存为 " + keptAside + "，本次使用默认设置。", 15);
}

bool RegistryEditor::OpenKey()
{
    if (rootKey == RootKey::None || subkeyPath.empty()) {
        ReportTip({}, 11);
        return false;
    }
    std::string keptAside;
    long result = OpenStoreKey(HiveName(rootKey), subkeyPath, key, keptAside);
    ReportKeptAside(keptAside);
    if (result != kStoreSuccess) {
        ReportTip({}, 12);
        return false;
    }
    return true;
}

void RegistryEditor::CloseKey()
{
    if (!key.open) {
        ReportTip({}, 13);
        return;
    }
    if (CloseStoreKey(key) != kStoreSuccess)
        ReportTip({}, 14);
}

void RegistryEditor::ReadString(const std::u16string& name, std::u16string& out)
{
    OpenKey();
    if (!key.open || name.empty()) {
        ReportTip({}, 1);
        if (key.open)
            CloseKey();
        return;
    }
    StoreValue value;
    std::string keptAside;
    long result = QueryStoreValue(key, name, value, keptAside);
    ReportKeptAside(keptAside);
    if (result == kStoreSuccess) {
        // The text and its terminator must fit the read buffer; a number is not text.
        std::u16string text = value.text.substr(0, value.text.find(u'\0'));
        if (value.type != StoreType::String)
            ReportTip(UnreadableValue(name, "存储的不是文本（REG_SZ）"), 2);
        else if ((text.size() + 1) * sizeof(char16_t) > kStringBufferBytes)
            ReportTip(UnreadableValue(name, "的文本超过 1023 个字符"), 2);
        else
            out = text;
    } else if (result == kStoreInvalidData) {
        ReportTip(UnreadableValue(name, "存储的不是文本（REG_SZ）"), 2);
    } else if (result != kStoreNotFound) {
        ReportTip({}, 2);
    }
    CloseKey();
}

void RegistryEditor::ReadDword(const std::u16string& name, uint32_t& out)
{
    OpenKey();
    if (!key.open || name.empty()) {
        ReportTip({}, 3);
        if (key.open)
            CloseKey();
        return;
    }
    StoreValue value;
    std::string keptAside;
    long result = QueryStoreValue(key, name, value, keptAside);
    ReportKeptAside(keptAside);
    if (result == kStoreSuccess) {
        if (value.type == StoreType::Dword)
            out = value.number;
        else
            ReportTip(UnreadableValue(name, "存储的不是数字（REG_DWORD）"), 4);
    } else if (result == kStoreInvalidData) {
        ReportTip(UnreadableValue(name, "存储的不是数字（REG_DWORD）"), 4);
    } else if (result != kStoreNotFound) {
        ReportTip({}, 4);
    }
    CloseKey();
}

void RegistryEditor::WriteString(const std::u16string& name, const std::u16string& text)
{
    OpenKey();
    if (!key.open || name.empty()) {
        ReportTip({}, 5);
        if (key.open)
            CloseKey();
        return;
    }
    std::string keptAside;
    long result = SetStoreValue(key, name, StoreValue{StoreType::String, text, 0}, keptAside);
    ReportKeptAside(keptAside);
    if (result != kStoreSuccess)
        ReportTip({}, 6);
    CloseKey();
}

void RegistryEditor::WriteDword(const std::u16string& name, uint32_t number)
{
    OpenKey();
    if (!key.open || name.empty()) {
        ReportTip({}, 7);
        if (key.open)
            CloseKey();
        return;
    }
    std::string keptAside;
    long result = SetStoreValue(key, name, StoreValue{StoreType::Dword, {}, number}, keptAside);
    ReportKeptAside(keptAside);
    if (result != kStoreSuccess)
        ReportTip({}, 8);
    CloseKey();
}

void RegistryEditor::DeleteValue(const std::u16string& name)
{
    OpenKey();
    if (!key.open || name.empty()) {
        ReportTip({}, 9);
        if (key.open)
            CloseKey();
        return;
    }
    std::string keptAside;
    long result = DeleteStoreValue(key, name, keptAside);
    ReportKeptAside(keptAside);
    if (result != kStoreSuccess && result != kStoreNotFound)
        ReportTip({}, 10);
    CloseKey();
}

} // namespace kh
