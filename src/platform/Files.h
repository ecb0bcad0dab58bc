#pragma once
// Whole-file operations for the small per-user files the client keeps (the settings store, the
// autostart entries, the journal of rented numbers): atomic replacement, reading, keeping a
// damaged file aside, and an exclusive lock between processes held on a lock file beside the data.
// Results are the settings store's registry-style codes.

#include <string>
#include <vector>

namespace kh {

// Result codes, numbered as the registry's.
inline constexpr long kStoreSuccess = 0;
inline constexpr long kStoreNotFound = 2;
inline constexpr long kStorePathNotFound = 3;
inline constexpr long kStoreAccessDenied = 5;
inline constexpr long kStoreInvalidHandle = 6;
inline constexpr long kStoreInvalidData = 13;
inline constexpr long kStoreWriteFault = 29;
inline constexpr long kStoreReadFault = 30;
inline constexpr long kStoreInvalidParameter = 87;

// The folder part of path ("." without one, "/" for a file at the root).
std::string ParentFolder(const std::string& path);

// Creates the directory and its missing parents with mode 0700 (on Windows with the access rules
// of its parent).
long MakeDirectories(const std::string& path);

// Writes content to path through a temporary file in the same directory (fsync, rename, fsync of
// the directory), with the given mode. The directory must exist. kStoreSuccess or a failure code;
// on failure the old file is untouched.
long WriteFileAtomically(const std::string& path, const std::string& content, unsigned mode);
// The same, for callers that report the reason: 0 on success, else the errno of the failed step.
int ReplaceFileAtomically(const std::string& path, const std::string& content, unsigned mode);

// The whole content of path; kStoreNotFound when it does not exist.
long ReadWholeFile(const std::string& path, std::string& content);

// Removes path; success also when it did not exist.
long RemoveFile(const std::string& path);

// Renames path to path + ".damaged-<local time>" (with "-N" added when that name is taken), so
// its content is kept; aside receives the new name.
long KeepFileAside(const std::string& path, std::string& aside);

// Removes the temporary files of WriteFileAtomically that a killed writer left beside path. Call it
// only while holding the lock every writer of path holds, or a live write loses its file.
void RemoveStaleTemporaryFiles(const std::string& path);

// The names of the entries of folder, without "." and ".."; empty when it cannot be read.
std::vector<std::string> ListFolder(const std::string& folder);

// An exclusive lock between processes on a lock file (created with mode 0600 when missing). Two
// FileLock objects exclude each other also within one process. The lock goes with the process, so
// a killed holder frees it. Not thread-safe: one owner uses it.
class FileLock final
{
public:
    FileLock() = default;
    // Unlock(false) when still locked.
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on path, waiting for another holder when wait is true; with wait false it
    // fails at once when the lock is held. False when the lock file cannot be opened, or is held.
    // A lock file that its holder removed while this one waited is opened again, so a lock is only
    // ever granted on the file the path names.
    bool Lock(const std::string& path, bool wait);
    bool IsLocked() const;
    // Lets the lock go; with removeFile the lock file is removed first, while still held.
    void Unlock(bool removeFile);

private:
#ifdef _WIN32
    void* handle = nullptr; // the lock file's HANDLE
#else
    int fd = -1;
#endif
    std::string lockedPath;
};

} // namespace kh
