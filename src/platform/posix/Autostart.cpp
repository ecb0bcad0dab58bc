#include "platform/Autostart.h"

#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/TextCodec.h"
#include "platform/posix/DesktopEntry.h"
#include "platform/posix/SettingsFile.h"

#include <cerrno>
#include <climits>
#include <fstream>
#include <unistd.h>

namespace kh {

namespace {

// The entry's file, or empty when the name cannot be a plain file name in the autostart folder.
std::string EntryPath(const std::u16string& name)
{
    std::string utf8 = WideToUtf8(name);
    if (utf8.empty() || utf8 == "." || utf8 == ".." ||
        utf8.find_first_of(std::string("/\n\r", 3) + '\0') != std::string::npos)
        return {};
    std::string dir = AutostartDirectory();
    return dir.empty() ? std::string() : dir + "/" + utf8 + ".desktop";
}

// Characters that make an Exec argument need quotes.
bool IsReserved(char c)
{
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    return reserved.find(c) != std::string::npos;
}

// The string escapes of desktop-entry values (\s \n \t \r \\), applied after the Exec quoting.
std::string EscapeValue(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string UnescapeValue(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        switch (next) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += next;
        }
    }
    return out;
}

} // namespace

std::string AutostartDirectory()
{
    std::string home = ConfigHome();
    return home.empty() ? std::string() : home + "/autostart";
}

std::string ExecLineForProgram(const std::string& program)
{
    std::string argument;
    bool quote = program.empty();
    for (char c : program)
        quote = quote || IsReserved(c);
    if (quote) {
        argument += '"';
        for (char c : program) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                argument += '\\';
            argument += c;
        }
        argument += '"';
    } else {
        argument = program;
    }
    // A literal percent sign is written twice; a single one would start a field code.
    std::string escaped;
    for (char c : argument) {
        escaped += c;
        if (c == '%')
            escaped += '%';
    }
    return EscapeValue(escaped);
}

std::string ProgramFromExecLine(const std::string& exec)
{
    std::string line = UnescapeValue(exec);
    size_t i = line.find_first_not_of(" \t");
    std::string argument;
    if (i != std::string::npos && line[i] == '"') {
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size())
                ++i;
            argument += line[i];
        }
    } else if (i != std::string::npos) {
        size_t end = line.find_first_of(" \t", i);
        argument = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
    }
    std::string program;
    for (size_t k = 0; k < argument.size(); ++k) {
        program += argument[k];
        if (argument[k] == '%' && k + 1 < argument.size() && argument[k + 1] == '%')
            ++k;
    }
    return program;
}

bool RunningExecutablePath(std::string& path, int& error)
{
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        error = n < 0 ? errno : ENOENT;
        return false;
    }
    path.assign(buffer, static_cast<size_t>(n));
    return true;
}

long WriteAutostartEntry(const std::u16string& name, const std::u16string& program)
{
    std::string path = EntryPath(name);
    // An entry that starts nothing would only fail at every sign-in.
    if (path.empty() || program.empty())
        return kStoreInvalidParameter;
    long result = MakeDirectories(AutostartDirectory());
    if (result != kStoreSuccess)
        return result;
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=" +
                       EscapeValue(WideToUtf8(name)) +
                       "\n"
                       "Exec=" +
                       ExecLineForProgram(WideToUtf8(program)) +
                       "\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n";
    return WriteFileAtomically(path, text, 0600);
}

long ReadAutostartEntry(const std::u16string& name, std::u16string& program)
{
    std::string path = EntryPath(name);
    if (path.empty())
        return kStoreInvalidParameter;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (access(path.c_str(), F_OK) != 0 && errno == ENOENT)
            return kStoreNotFound;
        return kStoreReadFault;
    }
    // Exec of the [Desktop Entry] group; other groups (actions) have their own Exec lines.
    std::string line;
    bool inEntry = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.pop_back();
        if (key != "Exec")
            continue;
        size_t start = line.find_first_not_of(" \t", eq + 1);
        program = Utf8ToWide(ProgramFromExecLine(start == std::string::npos ? std::string() : line.substr(start)));
        return kStoreSuccess;
    }
    if (file.bad())
        return kStoreReadFault;
    return kStoreInvalidData;
}

long DeleteAutostartEntry(const std::u16string& name)
{
    std::string path = EntryPath(name);
    if (path.empty())
        return kStoreInvalidParameter;
    if (unlink(path.c_str()) == 0)
        return kStoreSuccess;
    if (errno == ENOENT)
        return kStoreNotFound;
    return errno == EACCES || errno == EPERM || errno == EROFS ? kStoreAccessDenied : kStoreWriteFault;
}

} // namespace kh
