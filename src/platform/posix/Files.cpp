#include "platform/Files.h"

#include "platform/LocalTime.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kh {

namespace {

long ErrnoToResult(int error, long fallback)
{
    switch (error) {
    case ENOENT:
        return kStoreNotFound;
    case ENOTDIR:
        return kStorePathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return kStoreAccessDenied;
    default:
        return fallback;
    }
}

} // namespace

std::string ParentFolder(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

long MakeDirectories(const std::string& path)
{
    if (path.empty())
        return kStorePathNotFound;
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? kStoreSuccess : kStorePathNotFound;
    std::string parent = ParentFolder(path);
    if (parent != path) {
        long result = MakeDirectories(parent);
        if (result != kStoreSuccess)
            return result;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return ErrnoToResult(errno, kStoreWriteFault);
    return kStoreSuccess;
}

int ReplaceFileAtomically(const std::string& path, const std::string& content, unsigned mode)
{
    std::string temp = path + ".tmp-XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    auto fail = [&](int error) {
        close(fd);
        unlink(temp.c_str());
        return error;
    };
    if (fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return fail(errno);
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0)
        return fail(errno);
    if (close(fd) != 0) {
        int error = errno;
        unlink(temp.c_str());
        return error;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        int error = errno;
        unlink(temp.c_str());
        return error;
    }
    // The rename is durable only once the directory entry is on disk.
    int dir = open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 0;
}

long WriteFileAtomically(const std::string& path, const std::string& content, unsigned mode)
{
    int error = ReplaceFileAtomically(path, content, mode);
    return error == 0 ? kStoreSuccess : ErrnoToResult(error, kStoreWriteFault);
}

long ReadWholeFile(const std::string& path, std::string& content)
{
    content.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ErrnoToResult(errno, kStoreReadFault);
    char buffer[8192];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int error = errno;
            close(fd);
            content.clear();
            return ErrnoToResult(error, kStoreReadFault);
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return kStoreSuccess;
}

long RemoveFile(const std::string& path)
{
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        return ErrnoToResult(errno, kStoreWriteFault);
    return kStoreSuccess;
}

long KeepFileAside(const std::string& path, std::string& aside)
{
    std::string base = path + ".damaged-" + FormatLocalTime("%Y%m%d-%H%M%S");
    std::string name = base;
    struct stat st;
    for (int n = 1; lstat(name.c_str(), &st) == 0; ++n)
        name = base + "-" + std::to_string(n);
    if (rename(path.c_str(), name.c_str()) != 0)
        return ErrnoToResult(errno, kStoreWriteFault);
    aside = name;
    return kStoreSuccess;
}

void RemoveStaleTemporaryFiles(const std::string& path)
{
    std::string folder = ParentFolder(path);
    std::string prefix = path.substr(path.rfind('/') + 1) + ".tmp-";
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return names;
}

FileLock::~FileLock()
{
    Unlock(false);
}

bool FileLock::Lock(const std::string& path, bool wait)
{
    Unlock(false);
    for (;;) {
        int opened = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (opened < 0)
            return false;
        int result;
        while ((result = flock(opened, wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
        }
        if (result != 0) {
            close(opened);
            return false;
        }
        // A holder that removes its lock file does so while holding it; a lock taken on the
        // removed file would exclude nobody who opens the path afresh, so it is taken again.
        struct stat held;
        struct stat named;
        if (fstat(opened, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            fd = opened;
            lockedPath = path;
            return true;
        }
        close(opened);
    }
}

bool FileLock::IsLocked() const
{
    return fd >= 0;
}

void FileLock::Unlock(bool removeFile)
{
    if (fd < 0)
        return;
    if (removeFile)
        unlink(lockedPath.c_str());
    flock(fd, LOCK_UN);
    close(fd);
    fd = -1;
    lockedPath.clear();
}

} // namespace kh
