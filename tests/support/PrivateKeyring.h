#pragma once
// A credential store of the test's own, so that the tests never touch the user's.
// Linux: a private D-Bus session bus (dbus-daemon with a configuration of its own, so nothing on it
// is started on demand) in a temporary directory, set as DBUS_SESSION_BUS_ADDRESS for this process
// and the programs it starts; with Service::Keyring, GNOME Keyring's Secret Service on it, with a
// private home and data folder and its login keyring unlocked with a known password. Both are
// killed, and the previous address restored, when the object goes. Create it before the first call
// into the credential store: GLib keeps the first session bus it connects to for the process.
// Windows: Credential Manager needs nothing started; the object does nothing.

#include "support/ChildProcess.h"

#include <string>

namespace kh::test {

class PrivateKeyring
{
public:
    enum class Service
    {
        Keyring, // the Secret Service answers on the bus
        BusOnly, // a bus on which nothing provides the Secret Service
        Frozen,  // the Secret Service is on the bus but stopped (SIGSTOP): it never answers
    };

    explicit PrivateKeyring(Service service = Service::Keyring);
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

    // Whether the bus (and the keyring asked for) are up; otherwise Error says why.
    bool Ready() const { return error.empty(); }
    const std::string& Error() const { return error; }
    // The bus's address ("unix:path=..."), empty on Windows.
    const std::string& Address() const { return address; }

private:
    std::string directory;
    std::string address;
    std::string previous;
    bool hadPrevious = false;
    ChildProcess bus;
    ChildProcess keyring;
    bool frozen = false;
    std::string error;
};

// One keyring with the Secret Service for the whole test program, started on first use and stopped
// when the program ends: for the fixtures of tests that save a remembered password in passing.
PrivateKeyring& SharedKeyring();

} // namespace kh::test
