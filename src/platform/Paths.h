#pragma once
// The per-user folders, read from the environment on every call so that a test can point them at
// private directories, and the path separator of the system. Paths are UTF-8 on every system.
// On Linux the folders follow the freedesktop base-directory convention; on Windows they are the
// user's application-data folders.

#include <cstdio>
#include <string>

namespace kh {

// The separator of the folders in a path: '/' on Linux, '\' on Windows (which accepts '/' as
// well in most places, but writes '\' in every path it gives out).
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Linux: $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config, else the password
// database's home directory followed by /.config. Windows: %APPDATA%. Empty when none is known.
std::string ConfigHome();

// Linux: $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share (the same home
// fallback as ConfigHome). Windows: %LOCALAPPDATA%, else %APPDATA%. Empty when none is known.
std::string DataHome();

// Whether folder is where the system's packages put programs, which a program never writes to,
// even when it could (run as root). Linux: /usr, /bin, /sbin, /opt and every folder below them.
// Windows: never; the installer puts the program in the user's own folder.
bool IsSystemProgramFolder(const std::string& folder);

// Creates the file at path (UTF-8) and opens it for writing in binary mode, only when no file of
// that name exists. Null with error set to the C library's error number otherwise (EEXIST when
// the name is taken). The caller closes the stream with fclose. On Linux the file is readable by
// its owner only (mode 0600); on Windows it takes its folder's access rules.
std::FILE* CreateNewFile(const std::string& path, int& error);

} // namespace kh
