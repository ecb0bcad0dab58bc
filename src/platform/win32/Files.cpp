#include "platform/Files.h"

#include "platform/LocalTime.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <windows.h>

namespace kh {

namespace {

std::wstring Wide(const std::string& utf8)
{
    std::u16string wide = Utf8ToWide(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string Utf8(const wchar_t* wide)
{
    return WideToUtf8(reinterpret_cast<const char16_t*>(wide));
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

size_t LastSeparator(const std::string& path)
{
    return path.find_last_of("\\/");
}

// The C library's error number for a Windows error, for callers that report errno-style reasons.
int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

long ResultOf(DWORD error, long fallback)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return kStoreNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY:
        return kStorePathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
        return kStoreAccessDenied;
    default:
        return fallback;
    }
}

long ErrnoToResult(int error, long fallback)
{
    switch (error) {
    case ENOENT:
        return kStoreNotFound;
    case EACCES:
    case EBUSY:
        return kStoreAccessDenied;
    default:
        return fallback;
    }
}

// A name for a temporary file that no other writer picks: the process, the thread, a counter and
// the clock.
std::string TemporarySuffix()
{
    static volatile LONG counter = 0;
    LARGE_INTEGER clock;
    QueryPerformanceCounter(&clock);
    unsigned long long mix = (static_cast<unsigned long long>(GetCurrentProcessId()) << 40) ^
                             (static_cast<unsigned long long>(GetCurrentThreadId()) << 20) ^
                             static_cast<unsigned long long>(clock.QuadPart) ^
                             static_cast<unsigned long long>(InterlockedIncrement(&counter)) * 0x9E3779B97F4A7C15ull;
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        suffix += letters[mix % 62];
        mix /= 62;
    }
    return suffix;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

std::string ParentFolder(const std::string& path)
{
    size_t slash = LastSeparator(path);
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return path.substr(0, 1);
    // "C:\name": the drive's root.
    if (slash == 2 && path[1] == ':')
        return path.substr(0, 3);
    return path.substr(0, slash);
}

long MakeDirectories(const std::string& path)
{
    if (path.empty())
        return kStorePathNotFound;
    std::wstring wide = Wide(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kStoreSuccess : kStorePathNotFound;
    std::string parent = ParentFolder(path);
    if (parent != path && !(IsSeparator(path.back()) && parent + path.back() == path)) {
        long result = MakeDirectories(parent);
        if (result != kStoreSuccess)
            return result;
    }
    // The folder takes the access rules of its parent: below the user's profile, the user's own.
    if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return ResultOf(GetLastError(), kStoreWriteFault);
    return kStoreSuccess;
}

int ReplaceFileAtomically(const std::string& path, const std::string& content, unsigned mode)
{
    // Windows has no owner-only mode bits; the file takes the access rules of its folder (the
    // per-user folders are the user's own). A mode without the owner's write bit makes it read-only.
    std::wstring target = Wide(path);
    // A folder in the file's place is refused before any temporary file is made, as rename does.
    DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return EISDIR;
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = Wide(path + ".tmp-" + TemporarySuffix());
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return ErrnoOf(GetLastError());
    }
    if (file == INVALID_HANDLE_VALUE)
        return EEXIST;
    auto fail = [&](DWORD error) {
        CloseHandle(file);
        DeleteFileW(temp.c_str());
        return ErrnoOf(error);
    };
    size_t done = 0;
    while (done < content.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, content.data() + done, chunk, &written, nullptr))
            return fail(GetLastError());
        if (written == 0)
            return fail(ERROR_WRITE_FAULT);
        done += written;
    }
    if (!FlushFileBuffers(file))
        return fail(GetLastError());
    if (!CloseHandle(file)) {
        DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        return ErrnoOf(error);
    }
    if ((mode & 0200) == 0)
        SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_READONLY);
    // The rename replaces the old file in one step and returns once it is on disk.
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temp.c_str());
        return ErrnoOf(error);
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
    // Readers let writers replace or remove the file meanwhile, as on Linux.
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ResultOf(GetLastError(), kStoreReadFault);
    char buffer[8192];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
            DWORD error = GetLastError();
            CloseHandle(file);
            content.clear();
            return ResultOf(error, kStoreReadFault);
        }
        if (n == 0)
            break;
        content.append(buffer, n);
    }
    CloseHandle(file);
    return kStoreSuccess;
}

long RemoveFile(const std::string& path)
{
    if (!DeleteFileW(Wide(path).c_str())) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return ResultOf(error, kStoreWriteFault);
    }
    return kStoreSuccess;
}

long KeepFileAside(const std::string& path, std::string& aside)
{
    std::string base = path + ".damaged-" + FormatLocalTime("%Y%m%d-%H%M%S");
    std::string name = base;
    for (int n = 1; Exists(Wide(name)); ++n)
        name = base + "-" + std::to_string(n);
    // No MOVEFILE_REPLACE_EXISTING: a name taken meanwhile fails rather than losing that file.
    if (!MoveFileExW(Wide(path).c_str(), Wide(name).c_str(), MOVEFILE_WRITE_THROUGH))
        return ResultOf(GetLastError(), kStoreWriteFault);
    aside = name;
    return kStoreSuccess;
}

void RemoveStaleTemporaryFiles(const std::string& path)
{
    std::string folder = ParentFolder(path);
    size_t slash = LastSeparator(path);
    std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp-";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(folder + "\\" + prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        // The pattern also matches short (8.3) names; the long name is checked again.
        std::string name = Utf8(found.cFileName);
        if (name.compare(0, prefix.size(), prefix) == 0) {
            std::wstring file = Wide(folder + "\\" + name);
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = Utf8(found.cFileName);
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

FileLock::~FileLock()
{
    Unlock(false);
}

bool FileLock::Lock(const std::string& path, bool wait)
{
    Unlock(false);
    std::wstring wide = Wide(path);
    // A lock file its holder removed stays "delete pending" until every handle on it is closed; it
    // cannot be opened meanwhile. A waiter retries for a while, a caller that does not wait gives up
    // (the lock was held a moment ago).
    for (int pendingRetries = 0;;) {
        // Every sharing flag: the lock is the byte-range lock below, and the holder must be able to
        // remove the file while others have it open.
        HANDLE opened = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_ACCESS_DENIED && wait && ++pendingRetries < 500) {
                Sleep(10);
                continue;
            }
            return false;
        }
        // Byte-range locks belong to the handle: two FileLock objects of one process exclude each
        // other, and the system lets them go when the process ends.
        OVERLAPPED where = {};
        DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
        if (!LockFileEx(opened, flags, 0, 1, 0, &where)) {
            CloseHandle(opened);
            return false;
        }
        // A lock taken on a file its holder removed while this one waited excludes nobody who opens
        // the path afresh: it is let go and taken again on the new file.
        FILE_STANDARD_INFO info = {};
        if (GetFileInformationByHandleEx(opened, FileStandardInfo, &info, sizeof info) && !info.DeletePending) {
            handle = opened;
            lockedPath = path;
            return true;
        }
        UnlockFileEx(opened, 0, 1, 0, &where);
        CloseHandle(opened);
        if (!wait)
            return false;
    }
}

bool FileLock::IsLocked() const
{
    return handle != nullptr;
}

void FileLock::Unlock(bool removeFile)
{
    if (handle == nullptr)
        return;
    HANDLE held = static_cast<HANDLE>(handle);
    if (removeFile) {
        // Marked for removal through the open handle, while still held; gone once the last handle
        // on it is closed.
        FILE_DISPOSITION_INFO disposition = {};
        disposition.DeleteFile = TRUE;
        SetFileInformationByHandle(held, FileDispositionInfo, &disposition, sizeof disposition);
    }
    OVERLAPPED where = {};
    UnlockFileEx(held, 0, 1, 0, &where);
    CloseHandle(held);
    handle = nullptr;
    lockedPath.clear();
}

} // namespace kh
