#pragma once
// The user's credential store, where the remembered password is kept instead of the settings file:
// one item per program, user name and API host, so two accounts or two services never share one.
// ConfigCenter saves, loads and removes the password through it.
//
// Linux (posix/CredentialStore.cpp): the Secret Service on the session bus (libsecret), which
// GNOME Keyring and KWallet both provide. Items carry the attributes program, user and host. Every
// call is bounded (kCredentialTimeoutMs): a keyring that does not answer, or waits for an unlock
// prompt nobody answers, gives NoStore instead of holding up sign-in. Without a session bus
// (DBUS_SESSION_BUS_ADDRESS unset and no $XDG_RUNTIME_DIR/bus) no bus is started: NoStore at once.
//
// Windows (win32/CredentialStore.cpp): Credential Manager, a generic credential persisted on the
// local machine, named "BorvanKH:user@host" ("%" and "@" in the two written "%25" and "%40"); the
// user sees it there and can remove it.
//
// All functions are safe to call from several threads and take no lock of the caller's.

#include <cstdint>
#include <string>

namespace kh {

// The longest a call waits for the store.
inline constexpr uint32_t kCredentialTimeoutMs = 3000;

// What one item is named by: the program, the account's user name and the API host (UTF-8).
struct CredentialKey
{
    std::string program;
    std::string user;
    std::string host;
};

enum class CredentialStatus
{
    Done,     // saved, found, or removed
    NotFound, // Load and Remove: there is no such item
    NoStore,  // no store answered; why says what happened
};

struct CredentialResult
{
    CredentialStatus status = CredentialStatus::NoStore;
    // For NoStore: the reason, for the user (English, from the system's message where there is one).
    std::string why;
};

// Creates or replaces the item with secret.
CredentialResult SaveCredential(const CredentialKey& key, const std::u16string& secret);
// Reads the item into secret (left empty unless Done).
CredentialResult LoadCredential(const CredentialKey& key, std::u16string& secret);
// Deletes the item; NotFound when there was none.
CredentialResult RemoveCredential(const CredentialKey& key);

// The store's name for the user: "the Secret Service keyring", "Windows Credential Manager".
const char* CredentialStoreName();

} // namespace kh
