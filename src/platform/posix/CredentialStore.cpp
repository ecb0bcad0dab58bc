#include "platform/CredentialStore.h"

#include "platform/TextCodec.h"
#include "platform/posix/RunTimeLibrary.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <libsecret/secret.h>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kh {
namespace {

// The items' schema. Its name is stored with each item (xdg:schema), so a search never matches an
// item another program made with the same attribute names.
const SecretSchema kSchema = {
    "org.borvankh.Password",
    SECRET_SCHEMA_NONE,
    {
        {"program", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
    },
    0,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// libsecret is loaded at the first call, not when the program starts: it brings GIO and GObject,
// whose loading and set-up would otherwise come before the login dialog on every start, also when
// no password is remembered. The functions used from it and from the GIO and GObject it loads.
struct SecretApi
{
    decltype(&::secret_password_storev_sync) storev = nullptr;
    decltype(&::secret_password_lookupv_sync) lookupv = nullptr;
    decltype(&::secret_password_clearv_sync) clearv = nullptr;
    decltype(&::secret_password_free) passwordFree = nullptr;
    decltype(&::g_cancellable_new) cancellableNew = nullptr;
    decltype(&::g_cancellable_cancel) cancellableCancel = nullptr;
    decltype(&::g_object_unref) objectUnref = nullptr;
    // Why the library cannot be used; empty when every function was found.
    std::string problem;
};

// Loads libsecret once, on the first call from any thread; it stays loaded (GObject types cannot
// be unloaded).
const SecretApi& Secret()
{
    static SecretApi api;
    static std::once_flag once;
    std::call_once(once, [] {
        void* library = LoadRunTimeLibrary("libsecret-1.so.0", api.problem);
        if (library == nullptr)
            return;
        // The library's handle also finds what the libraries it loaded define (GIO, GObject).
        auto resolve = [&](const char* name, auto& function) {
            ResolveRunTimeFunction(library, "libsecret", name, function, api.problem);
        };
        resolve("secret_password_storev_sync", api.storev);
        resolve("secret_password_lookupv_sync", api.lookupv);
        resolve("secret_password_clearv_sync", api.clearv);
        resolve("secret_password_free", api.passwordFree);
        resolve("g_cancellable_new", api.cancellableNew);
        resolve("g_cancellable_cancel", api.cancellableCancel);
        resolve("g_object_unref", api.objectUnref);
    });
    return api;
}

// How long a call that was cancelled at its deadline is given to return before it is left behind.
constexpr auto kCancelGrace = std::chrono::milliseconds(500);

using AttributeTable = std::unique_ptr<GHashTable, decltype(&g_hash_table_unref)>;

// The attribute table owns copies of the strings, so a call left running past its deadline never
// reads the caller's key after the caller has gone.
AttributeTable Attributes(const CredentialKey& key)
{
    AttributeTable table(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free), &g_hash_table_unref);
    g_hash_table_insert(table.get(), g_strdup("program"), g_strdup(key.program.c_str()));
    g_hash_table_insert(table.get(), g_strdup("user"), g_strdup(key.user.c_str()));
    g_hash_table_insert(table.get(), g_strdup("host"), g_strdup(key.host.c_str()));
    return table;
}

// GLib would start a bus of its own ("autolaunch") when it finds no session bus, and a keyring
// with it; a machine without a desktop session gets no store instead, at once.
bool SessionBusKnown(std::string& why)
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && address[0] != '\0')
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0' && access((std::string(runtime) + "/bus").c_str(), F_OK) == 0)
        return true;
    why = "there is no D-Bus session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
    return false;
}

CredentialResult FromError(GError* error)
{
    CredentialResult result{CredentialStatus::NoStore, error != nullptr ? error->message : "unknown error"};
    if (error != nullptr)
        g_error_free(error);
    return result;
}

// One call's state, shared by the caller and the thread that makes the call: whichever leaves last
// frees it.
struct Call
{
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    CredentialResult result;
    std::u16string secret;
    GCancellable* cancellable = Secret().cancellableNew();
    ~Call() { Secret().objectUnref(cancellable); }
};

// Runs job on a thread of its own and waits for it at most kCredentialTimeoutMs; then the call is
// cancelled and, when it does not return even so (a service that never answers a cancellation),
// left to end on its own while the caller goes on with NoStore.
CredentialResult Bounded(const std::function<CredentialResult(GCancellable*, std::u16string&)>& job,
                         std::u16string* secret)
{
    std::string why;
    if (!SessionBusKnown(why))
        return {CredentialStatus::NoStore, why};
    if (!Secret().problem.empty())
        return {CredentialStatus::NoStore, Secret().problem};
    auto call = std::make_shared<Call>();
    std::thread worker;
    try {
        worker = std::thread([call, job] {
            std::u16string found;
            CredentialResult result = job(call->cancellable, found);
            std::lock_guard<std::mutex> guard(call->mutex);
            call->result = std::move(result);
            call->secret = std::move(found);
            call->done = true;
            call->ended.notify_all();
        });
    } catch (const std::system_error& error) {
        return {CredentialStatus::NoStore, std::string("no thread for the keyring call: ") + error.what()};
    }
    std::unique_lock<std::mutex> lock(call->mutex);
    bool inTime =
        call->ended.wait_for(lock, std::chrono::milliseconds(kCredentialTimeoutMs), [&] { return call->done; });
    if (!inTime) {
        Secret().cancellableCancel(call->cancellable);
        call->ended.wait_for(lock, kCancelGrace, [&] { return call->done; });
    }
    if (!call->done) {
        lock.unlock();
        worker.detach();
        return {CredentialStatus::NoStore,
                "the keyring did not answer within " + std::to_string(kCredentialTimeoutMs / 1000) + " seconds"};
    }
    lock.unlock();
    worker.join();
    if (!inTime)
        return {CredentialStatus::NoStore,
                "the keyring did not answer within " + std::to_string(kCredentialTimeoutMs / 1000) + " seconds"};
    if (secret != nullptr)
        *secret = std::move(call->secret);
    return call->result;
}

std::string Label(const CredentialKey& key)
{
    return key.program + " password for " + key.user + "@" + key.host;
}

} // namespace

CredentialResult SaveCredential(const CredentialKey& key, const std::u16string& secret)
{
    std::string label = Label(key);
    std::string text = WideToUtf8(secret);
    return Bounded(
        [key, label, text](GCancellable* cancellable, std::u16string&) {
            AttributeTable attributes = Attributes(key);
            GError* error = nullptr;
            if (!Secret().storev(&kSchema, attributes.get(), SECRET_COLLECTION_DEFAULT, label.c_str(), text.c_str(),
                                 cancellable, &error))
                return FromError(error);
            return CredentialResult{CredentialStatus::Done, {}};
        },
        nullptr);
}

CredentialResult LoadCredential(const CredentialKey& key, std::u16string& secret)
{
    secret.clear();
    return Bounded(
        [key](GCancellable* cancellable, std::u16string& found) {
            AttributeTable attributes = Attributes(key);
            GError* error = nullptr;
            gchar* text = Secret().lookupv(&kSchema, attributes.get(), cancellable, &error);
            if (error != nullptr)
                return FromError(error);
            if (text == nullptr)
                return CredentialResult{CredentialStatus::NotFound, {}};
            found = Utf8ToWide(text);
            Secret().passwordFree(text);
            return CredentialResult{CredentialStatus::Done, {}};
        },
        &secret);
}

CredentialResult RemoveCredential(const CredentialKey& key)
{
    return Bounded(
        [key](GCancellable* cancellable, std::u16string&) {
            AttributeTable attributes = Attributes(key);
            GError* error = nullptr;
            gboolean removed = Secret().clearv(&kSchema, attributes.get(), cancellable, &error);
            if (error != nullptr)
                return FromError(error);
            return CredentialResult{removed ? CredentialStatus::Done : CredentialStatus::NotFound, {}};
        },
        nullptr);
}

const char* CredentialStoreName()
{
    return "the Secret Service keyring";
}

} // namespace kh
