// The settings store reading a settings file of any content: opening a key, reading, writing and
// deleting values must work on every file. A file that is not a store is kept aside byte for byte
// (never overwritten), and what the store writes is always a store it reads back.
// Input: the key path on the first line, a value name on the second, a text value on the third,
// the settings file in the rest. The store lives in a private configuration folder below $TMPDIR
// (or /tmp), removed again when the run ends.

#include "FuzzSupport.h"
#include "platform/SettingsStore.h"
#include "platform/TextCodec.h"
#include "platform/posix/SettingsFile.h"

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace kh;
using namespace kh::fuzz;

namespace {

std::string configHome;

void RemoveTree(const std::string& path)
{
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                RemoveTree(path + "/" + name);
        }
        closedir(dir);
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

void RemoveConfigHome()
{
    RemoveTree(configHome);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/kh-fuzz-settings-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    configHome = folder;
    setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    std::atexit(RemoveConfigHome);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields = SplitFields(data, size, 3);
    const std::u16string path = fields[0].empty() ? u"Software\\Zelto\\KH" : Utf8ToWide(fields[0]);
    const std::u16string name = Utf8ToWide(fields[1]);
    const std::u16string text = Utf8ToWide(fields[2]);
    const std::string& content = fields[3];

    // A fresh folder holding only the file under test.
    const std::string folder = configHome + "/BorvanKH";
    RemoveTree(folder);
    RemoveTree(configHome + "/autostart");
    KH_FUZZ_CHECK(MakeDirectories(folder) == kStoreSuccess);
    const std::string file = SettingsFilePath();
    WriteFile(file, content);

    StoreKey key;
    std::string aside;
    long result = OpenStoreKey(kCurrentUserHive, path, key, aside);
    if (!aside.empty())
        KH_FUZZ_CHECK(ReadFile(aside) == content);
    if (result == kStoreInvalidParameter)
        return 0;
    KH_FUZZ_CHECK(result == kStoreSuccess && key.open);

    // Whatever was there, the file now reads as a store.
    StoreKey again;
    KH_FUZZ_CHECK(OpenStoreKey(kCurrentUserHive, path, again, aside) == kStoreSuccess);
    KH_FUZZ_CHECK(aside.empty());

    StoreValue value;
    if (key.autostart) {
        // Values of the auto-run key are autostart entries, whose names must also be file names:
        // only that they never fault is checked.
        QueryStoreValue(key, name, value, aside);
        SetStoreValue(key, name, StoreValue{StoreType::String, text, 0}, aside);
        QueryStoreValue(key, name, value, aside);
        DeleteStoreValue(key, name, aside);
        return 0;
    }
    result = QueryStoreValue(key, name, value, aside);
    KH_FUZZ_CHECK(aside.empty());
    if (result == kStoreInvalidParameter) {
        KH_FUZZ_CHECK(name.empty() || name.find(u'\0') != std::u16string::npos);
        return 0;
    }
    KH_FUZZ_CHECK(result == kStoreSuccess || result == kStoreNotFound);

    // Written values read back as written (text up to its first null); a deleted one is gone.
    KH_FUZZ_CHECK(SetStoreValue(key, name, StoreValue{StoreType::String, text, 0}, aside) == kStoreSuccess);
    const std::u16string number = name + u"#dword";
    const uint32_t dword = static_cast<uint32_t>(size * 2654435761u);
    KH_FUZZ_CHECK(SetStoreValue(key, number, StoreValue{StoreType::Dword, {}, dword}, aside) == kStoreSuccess);
    KH_FUZZ_CHECK(QueryStoreValue(key, name, value, aside) == kStoreSuccess);
    KH_FUZZ_CHECK(value.type == StoreType::String && value.text == text.substr(0, text.find(u'\0')));
    KH_FUZZ_CHECK(QueryStoreValue(key, number, value, aside) == kStoreSuccess);
    KH_FUZZ_CHECK(value.type == StoreType::Dword && value.number == dword);
    KH_FUZZ_CHECK(DeleteStoreValue(key, name, aside) == kStoreSuccess);
    KH_FUZZ_CHECK(QueryStoreValue(key, name, value, aside) == kStoreNotFound);
    KH_FUZZ_CHECK(CloseStoreKey(key) == kStoreSuccess);
    return 0;
}
