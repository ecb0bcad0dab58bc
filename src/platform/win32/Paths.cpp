#include "platform/Paths.h"

#include "platform/TextCodec.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace kh {

namespace {

// The variable's value as UTF-8; empty when it is not set or not an absolute path ("C:\..." or a
// "\\server\..." share).
std::string AbsoluteFolderVariable(const wchar_t* name)
{
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::u16string value(size, u'\0');
    DWORD n = GetEnvironmentVariableW(name, reinterpret_cast<wchar_t*>(value.data()), size);
    if (n == 0 || n >= size)
        return {};
    value.resize(n);
    bool drive = value.size() >= 3 && value[1] == u':' && (value[2] == u'\\' || value[2] == u'/');
    bool share = value.size() >= 2 && value[0] == u'\\' && value[1] == u'\\';
    if (!drive && !share)
        return {};
    while (value.size() > 3 && (value.back() == u'\\' || value.back() == u'/'))
        value.pop_back();
    return WideToUtf8(value);
}

} // namespace

std::string ConfigHome()
{
    return AbsoluteFolderVariable(L"APPDATA");
}

std::string DataHome()
{
    std::string local = AbsoluteFolderVariable(L"LOCALAPPDATA");
    return local.empty() ? ConfigHome() : local;
}

bool IsSystemProgramFolder(const std::string&)
{
    return false;
}

std::FILE* CreateNewFile(const std::string& path, int& error)
{
    // The C runtime's fopen knows no "x" mode; its open does the exclusive create.
    std::u16string wide = Utf8ToWide(path);
    int fd = _wopen(reinterpret_cast<const wchar_t*>(wide.c_str()), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                    _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        error = errno;
        _close(fd);
        _wunlink(reinterpret_cast<const wchar_t*>(wide.c_str()));
    }
    return file;
}

} // namespace kh
