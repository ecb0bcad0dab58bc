// RegistryEditor: its tips for every failure path, and the registry's semantics on the store.

#include "settings/RegistryEditorFixture.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace kh {
namespace {

TEST_F(RegistryEditorTest, EachOperationReportsItsOwnTipForAMissingKeyOrName)
{
    struct Case
    {
        const char* what;
        std::function<void(RegistryEditor&, const std::u16string&)> run;
        const char* tip;
    };
    std::u16string text = u"kept";
    uint32_t number = 42;
    const Case cases[] = {
        {"ReadString", [&](RegistryEditor& e, const std::u16string& n) { e.ReadString(n, text); }, "RegistryEditor.1."},
        {"ReadDword", [&](RegistryEditor& e, const std::u16string& n) { e.ReadDword(n, number); }, "RegistryEditor.3."},
        {"WriteString", [](RegistryEditor& e, const std::u16string& n) { e.WriteString(n, u"x"); },
         "RegistryEditor.5."},
        {"WriteDword", [](RegistryEditor& e, const std::u16string& n) { e.WriteDword(n, 1); }, "RegistryEditor.7."},
        {"DeleteValue", [](RegistryEditor& e, const std::u16string& n) { e.DeleteValue(n); }, "RegistryEditor.9."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tips.Clear();
        editor.SetKey(RootKey::CurrentUser, u"Software\\Zelto\\KH");
        c.run(editor, u"");
        EXPECT_EQ(tips.Errors(), std::vector<std::string>{c.tip});

        tips.Clear();
        editor.SetKey(RootKey::None, u"Software\\Zelto\\KH");
        c.run(editor, u"Name");
        EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"RegistryEditor.11.", c.tip}));

        tips.Clear();
        editor.SetKey(RootKey::CurrentUser, u"");
        c.run(editor, u"Name");
        EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"RegistryEditor.11.", c.tip}));
    }
    EXPECT_EQ(text, u"kept");
    EXPECT_EQ(number, 42u);
}

TEST_F(RegistryEditorTest, ValuesReadBackByTypeAndNamesIgnoreLetterCase)
{
    editor.WriteString(u"Text", u"值 one");
    editor.WriteDword(u"Number", 4000000000u);
    editor.WriteDword(u"NUMBER", 7); // the same value, as in the registry

    std::u16string text;
    uint32_t number = 0;
    editor.ReadString(u"text", text);
    editor.ReadDword(u"Number", number);
    EXPECT_EQ(text, u"值 one");
    EXPECT_EQ(number, 7u);
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(RegistryEditorTest, AbsentValuesAreNotErrors)
{
    std::u16string text = u"unchanged";
    uint32_t number = 5;
    editor.ReadString(u"Missing", text);
    editor.ReadDword(u"Missing", number);
    editor.DeleteValue(u"Missing");
    EXPECT_EQ(text, u"unchanged");
    EXPECT_EQ(number, 5u);
    EXPECT_EQ(tips.Count(), 0u);
}

// The tip names the setting and says the default is used, rather than only "internal error".
TEST_F(RegistryEditorTest, AValueOfTheOtherTypeFailsToReadAndLeavesTheOutValue)
{
    editor.WriteString(u"GetSMSConfig_SpaceTime", u"12");
    editor.WriteDword(u"LoginConfig_User", 12);
    std::u16string text = u"kept";
    uint32_t number = 3;
    editor.ReadDword(u"GetSMSConfig_SpaceTime", number);
    editor.ReadString(u"LoginConfig_User", text);
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"RegistryEditor.4.", "RegistryEditor.2."}));
    EXPECT_EQ(tips.Messages(),
              (std::vector<std::string>{"设置 GetSMSConfig_SpaceTime 存储的不是数字（REG_DWORD），本次使用默认值。",
                                        "设置 LoginConfig_User 存储的不是文本（REG_SZ），本次使用默认值。"}));
    EXPECT_EQ(text, u"kept");
    EXPECT_EQ(number, 3u);
}

TEST_F(RegistryEditorTest, DeletedValueIsGoneAndOthersStay)
{
    editor.WriteString(u"A", u"a");
    editor.WriteString(u"B", u"b");
    editor.DeleteValue(u"A");
    std::u16string a = u"absent", b;
    editor.ReadString(u"A", a);
    editor.ReadString(u"B", b);
    EXPECT_EQ(a, u"absent");
    EXPECT_EQ(b, u"b");
    EXPECT_EQ(tips.Count(), 0u);
}

} // namespace
} // namespace kh
