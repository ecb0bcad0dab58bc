// RegistryEditor on the Linux settings store: a settings file that cannot be read.

#include "settings/RegistryEditor.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kh {
namespace {

using test::TempSettingsDir;
using test::TipRecorder;

class RegistryEditorTest : public ::testing::Test
{
protected:
    RegistryEditorTest() { editor.SetKey(RootKey::CurrentUser, u"Software\\Zelto\\KH"); }

    TempSettingsDir dir;
    TipRecorder tips;
    RegistryEditor editor{TipRecorder::Callback, tips.Context()};
};

TEST_F(RegistryEditorTest, AStoreThatCannotBeReadFailsEveryOperationAndIsLeftAlone)
{
    // A directory where the file should be: it cannot be read, so it must not be replaced.
    std::filesystem::create_directories(dir.SettingsFile());
    std::u16string text = u"kept";
    editor.ReadString(u"A", text);
    editor.WriteString(u"A", u"new");
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"RegistryEditor.12.", "RegistryEditor.1.", "RegistryEditor.12.",
                                                       "RegistryEditor.5."}));
    EXPECT_EQ(text, u"kept");
    EXPECT_TRUE(std::filesystem::is_directory(dir.SettingsFile()));
}

} // namespace
} // namespace kh
