#include "platform/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <string_view>
#include <unistd.h>

namespace kh {

namespace {

// $HOME when absolute, else the home directory of the password database; empty when neither.
std::string HomeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

std::string BaseDirectory(const char* variable, const char* underHome)
{
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/')
        return value;
    std::string home = HomeDirectory();
    return home.empty() ? std::string() : home + underHome;
}

} // namespace

std::string ConfigHome()
{
    return BaseDirectory("XDG_CONFIG_HOME", "/.config");
}

std::string DataHome()
{
    return BaseDirectory("XDG_DATA_HOME", "/.local/share");
}

bool IsSystemProgramFolder(const std::string& folder)
{
    for (std::string_view root : {"/usr", "/bin", "/sbin", "/opt"}) {
        if (folder.compare(0, root.size(), root) == 0 && (folder.size() == root.size() || folder[root.size()] == '/'))
            return true;
    }
    return false;
}

std::FILE* CreateNewFile(const std::string& path, int& error)
{
    // Readable by its owner only, whatever the umask.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        error = errno;
        close(fd);
        unlink(path.c_str());
    }
    return file;
}

} // namespace kh
