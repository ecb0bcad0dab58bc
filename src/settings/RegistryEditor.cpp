#include "settings/RegistryEditor.h"

#include "platform/TextCodec.h"

namespace kh {

namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteReadTextOpen = 1,
    kSiteReadText = 2,
    kSiteReadNumberOpen = 3,
    kSiteReadNumber = 4,
    kSiteWriteTextOpen = 5,
    kSiteWriteText = 6,
    kSiteWriteNumberOpen = 7,
    kSiteWriteNumber = 8,
    kSiteDeleteOpen = 9,
    kSiteDelete = 10,
    kSiteNoKey = 11,
    kSiteOpenKey = 12,
    kSiteCloseNotOpen = 13,
    kSiteCloseKey = 14,
    kSiteKeptAside = 15,
};

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
        ReportTip("设置文件已损坏，已另存为 " + keptAside + "，本次使用默认设置。", kSiteKeptAside);
}

bool RegistryEditor::OpenKey()
{
    if (rootKey == RootKey::None || subkeyPath.empty()) {
        ReportTip({}, kSiteNoKey);
        return false;
    }
    std::string keptAside;
    long result = OpenStoreKey(HiveName(rootKey), subkeyPath, key, keptAside);
    ReportKeptAside(keptAside);
    if (result != kStoreSuccess) {
        ReportTip({}, kSiteOpenKey);
        return false;
    }
    return true;
}

bool RegistryEditor::OpenForValue(const std::u16string& name, int site)
{
    OpenKey();
    if (key.open && !name.empty())
        return true;
    ReportTip({}, site);
    if (key.open)
        CloseKey();
    return false;
}

void RegistryEditor::CloseKey()
{
    if (!key.open) {
        ReportTip({}, kSiteCloseNotOpen);
        return;
    }
    if (CloseStoreKey(key) != kStoreSuccess)
        ReportTip({}, kSiteCloseKey);
}

void RegistryEditor::ReadString(const std::u16string& name, std::u16string& out)
{
    if (!OpenForValue(name, kSiteReadTextOpen))
        return;
    StoreValue value;
    std::string keptAside;
    long result = QueryStoreValue(key, name, value, keptAside);
    ReportKeptAside(keptAside);
    if (result == kStoreSuccess) {
        // The text and its terminator must fit the read buffer; a number is not text.
        std::u16string text = value.text.substr(0, value.text.find(u'\0'));
        if (value.type != StoreType::String)
            ReportTip(UnreadableValue(name, "存储的不是文本（REG_SZ）"), kSiteReadText);
        else if ((text.size() + 1) * sizeof(char16_t) > kStringBufferBytes)
            ReportTip(UnreadableValue(name, "的文本超过 1023 个字符"), kSiteReadText);
        else
            out = text;
    } else if (result == kStoreInvalidData) {
        ReportTip(UnreadableValue(name, "存储的不是文本（REG_SZ）"), kSiteReadText);
    } else if (result != kStoreNotFound) {
        ReportTip({}, kSiteReadText);
    }
    CloseKey();
}

void RegistryEditor::ReadDword(const std::u16string& name, uint32_t& out)
{
    if (!OpenForValue(name, kSiteReadNumberOpen))
        return;
    StoreValue value;
    std::string keptAside;
    long result = QueryStoreValue(key, name, value, keptAside);
    ReportKeptAside(keptAside);
    if (result == kStoreSuccess) {
        if (value.type == StoreType::Dword)
            out = value.number;
        else
            ReportTip(UnreadableValue(name, "存储的不是数字（REG_DWORD）"), kSiteReadNumber);
    } else if (result == kStoreInvalidData) {
        ReportTip(UnreadableValue(name, "存储的不是数字（REG_DWORD）"), kSiteReadNumber);
    } else if (result != kStoreNotFound) {
        ReportTip({}, kSiteReadNumber);
    }
    CloseKey();
}

void RegistryEditor::WriteString(const std::u16string& name, const std::u16string& text)
{
    if (!OpenForValue(name, kSiteWriteTextOpen))
        return;
    std::string keptAside;
    long result = SetStoreValue(key, name, StoreValue{StoreType::String, text, 0}, keptAside);
    ReportKeptAside(keptAside);
    if (result != kStoreSuccess)
        ReportTip({}, kSiteWriteText);
    CloseKey();
}

void RegistryEditor::WriteDword(const std::u16string& name, uint32_t number)
{
    if (!OpenForValue(name, kSiteWriteNumberOpen))
        return;
    std::string keptAside;
    long result = SetStoreValue(key, name, StoreValue{StoreType::Dword, {}, number}, keptAside);
    ReportKeptAside(keptAside);
    if (result != kStoreSuccess)
        ReportTip({}, kSiteWriteNumber);
    CloseKey();
}

void RegistryEditor::DeleteValue(const std::u16string& name)
{
    if (!OpenForValue(name, kSiteDeleteOpen))
        return;
    std::string keptAside;
    long result = DeleteStoreValue(key, name, keptAside);
    ReportKeptAside(keptAside);
    if (result != kStoreSuccess && result != kStoreNotFound)
        ReportTip({}, kSiteDelete);
    CloseKey();
}

} // namespace kh
