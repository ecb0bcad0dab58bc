#include "platform/CredentialStore.h"

#include "platform/TextCodec.h"

#include <cstring>
#include <windows.h>
// clang-format off: wincred.h needs the declarations of windows.h before it.
#include <wincred.h>
// clang-format on

namespace kh {
namespace {

// "%" and "@" of a user name or host as "%25" and "%40", so the one "@" of a target name divides
// the two and no two keys share a name.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '@')
            out += "%40";
        else
            out += c;
    }
    return out;
}

// "BorvanKH:user@host", the name the user sees in Credential Manager.
std::wstring TargetName(const CredentialKey& key)
{
    std::u16string wide = Utf8ToWide(key.program + ":" + Escaped(key.user) + "@" + Escaped(key.host));
    return std::wstring(wide.begin(), wide.end());
}

std::string SystemMessage(DWORD error)
{
    wchar_t* buffer = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0 && buffer != nullptr) {
        std::u16string wide(reinterpret_cast<const char16_t*>(buffer), length);
        while (!wide.empty() && (wide.back() == u'\r' || wide.back() == u'\n' || wide.back() == u' '))
            wide.pop_back();
        text = WideToUtf8(wide);
    }
    if (buffer != nullptr)
        LocalFree(buffer);
    return "Credential Manager error " + std::to_string(error) + (text.empty() ? "" : " (" + text + ")");
}

CredentialResult Failure(DWORD error)
{
    if (error == ERROR_NOT_FOUND)
        return {CredentialStatus::NotFound, {}};
    return {CredentialStatus::NoStore, SystemMessage(error)};
}

} // namespace

// Credential Manager answers locally and at once, so these calls need no bound of their own.
CredentialResult SaveCredential(const CredentialKey& key, const std::u16string& secret)
{
    std::wstring target = TargetName(key);
    std::u16string user16 = Utf8ToWide(key.user);
    std::wstring user(user16.begin(), user16.end());
    // The blob is the password's UTF-16 text without a terminator, the form the system's own
    // dialogs store.
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = target.data();
    credential.UserName = user.data();
    credential.CredentialBlobSize = static_cast<DWORD>(secret.size() * sizeof(char16_t));
    credential.CredentialBlob = reinterpret_cast<BYTE*>(const_cast<char16_t*>(secret.data()));
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    if (!CredWriteW(&credential, 0))
        return Failure(GetLastError());
    return {CredentialStatus::Done, {}};
}

CredentialResult LoadCredential(const CredentialKey& key, std::u16string& secret)
{
    secret.clear();
    std::wstring target = TargetName(key);
    PCREDENTIALW credential = nullptr;
    if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &credential))
        return Failure(GetLastError());
    size_t units = credential->CredentialBlobSize / sizeof(char16_t);
    secret.resize(units);
    if (units > 0)
        std::memcpy(secret.data(), credential->CredentialBlob, units * sizeof(char16_t));
    SecureZeroMemory(credential->CredentialBlob, credential->CredentialBlobSize);
    CredFree(credential);
    return {CredentialStatus::Done, {}};
}

CredentialResult RemoveCredential(const CredentialKey& key)
{
    std::wstring target = TargetName(key);
    if (!CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0))
        return Failure(GetLastError());
    return {CredentialStatus::Done, {}};
}

const char* CredentialStoreName()
{
    return "Windows Credential Manager";
}

} // namespace kh
