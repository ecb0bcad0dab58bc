#include "support/PrivateKeyring.h"

#include "platform/ChildProgram.h"
#include "support/WaitUntil.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <unistd.h>

namespace kh::test {
namespace {

// The password the test keyring is created and unlocked with.
constexpr const char* kKeyringPassword = "kh-test-keyring";

// A session bus that listens on one socket, lets every client talk to every name, and has no
// service directories: a name nobody owns is "not provided", never started.
std::string BusConfig(const std::string& socket)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:path=" +
           socket +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

bool SecretServiceOnBus(const std::string& dbusSend)
{
    ProcessResult reply = RunProcess({dbusSend, "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                                      "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.secrets"});
    return reply.status == 0 && reply.out.find("boolean true") != std::string::npos;
}

} // namespace

PrivateKeyring::PrivateKeyring(Service service)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/kh-keyring-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a temporary directory";
        return;
    }
    directory = pattern;
    std::string socket = directory + "/bus";
    std::string config = directory + "/bus.conf";
    std::ofstream(config) << BusConfig(socket);

    std::string dbusDaemon = FindProgram("dbus-daemon");
    std::string dbusSend = FindProgram("dbus-send");
    std::string keyringDaemon = FindProgram("gnome-keyring-daemon");
    if (dbusDaemon.empty() || dbusSend.empty() || (service == Service::Keyring && keyringDaemon.empty())) {
        error = "dbus-daemon, dbus-send or gnome-keyring-daemon is missing (scripts/setup installs them)";
        return;
    }
    // The daemons write to pipes of this process, not to its own output: a test program that ends
    // without stopping them (a sanitizer halting it) would otherwise leave its output open and
    // CTest waiting for them.
    SpawnOptions busOptions;
    busOptions.pipeStdout = true;
    busOptions.pipeStderr = true;
    if (!bus.Start({dbusDaemon, "--config-file=" + config, "--nofork", "--nopidfile"}, busOptions)) {
        error = "dbus-daemon: " + bus.Error();
        return;
    }
    if (!WaitUntil([&] { return std::filesystem::exists(socket); })) {
        error = "the private session bus did not start";
        return;
    }
    address = "unix:path=" + socket;
    const char* old = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    hadPrevious = old != nullptr;
    if (hadPrevious)
        previous = old;
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    if (service == Service::BusOnly)
        return;

    // The keyring keeps its files and its control socket in folders of its own; --unlock reads the
    // password from standard input and creates the login keyring with it, which then takes new items.
    std::string home = directory + "/home";
    std::string runtime = directory + "/run";
    std::filesystem::create_directories(home + "/data");
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    SpawnOptions options;
    options.environment = {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data", "XDG_CONFIG_HOME=" + home,
                           "XDG_RUNTIME_DIR=" + runtime};
    options.pipeStdin = true;
    options.pipeStdout = true;
    options.pipeStderr = true;
    if (!keyring.Start({keyringDaemon, "--foreground", "--components=secrets", "--unlock"}, options)) {
        error = "gnome-keyring-daemon: " + keyring.Error();
        return;
    }
    std::string password = kKeyringPassword;
    if (write(keyring.StdinFd(), password.data(), password.size()) != static_cast<ssize_t>(password.size()))
        error = "cannot hand the keyring its password";
    keyring.CloseStdin();
    if (error.empty() && !WaitUntil([&] { return SecretServiceOnBus(dbusSend); }))
        error = "GNOME Keyring did not come up on the private bus";
    if (error.empty() && service == Service::Frozen) {
        kill(keyring.Pid(), SIGSTOP);
        frozen = true;
    }
}

PrivateKeyring::~PrivateKeyring()
{
    if (frozen)
        kill(keyring.Pid(), SIGCONT);
    if (keyring.Started())
        keyring.Stop();
    if (bus.Started())
        bus.Stop();
    if (!address.empty()) {
        if (hadPrevious)
            setenv("DBUS_SESSION_BUS_ADDRESS", previous.c_str(), 1);
        else
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    if (!directory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
}

} // namespace kh::test
