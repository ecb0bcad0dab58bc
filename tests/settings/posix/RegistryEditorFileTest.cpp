// RegistryEditor on the Linux settings store: a settings file that cannot be read.

#include "settings/RegistryEditorFixture.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kh {
namespace {

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
