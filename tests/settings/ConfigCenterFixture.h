#pragma once
// The ConfigCenter tests' fixture: a private settings root, a keyring of the test program's own
// (the remembered password goes there), a tip recorder and a ConfigCenter set up in the client's
// start-up order, with helpers that read and write values as a fresh RegistryEditor does and that
// read the credential store.

#include "platform/CredentialStore.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "settings/RegistryEditor.h"
#include "support/PrivateKeyring.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <gtest/gtest.h>
#include <string>

namespace kh {

inline const std::u16string kKey = u"Software\\Zelto\\KH";

class ConfigCenterTest : public ::testing::Test
{
protected:
    // The start-up order of the client; the executable path feeds the auto-run entry.
    ConfigCenterTest()
    {
        config.LocateExecutable();
        config.ResetToDefaults();
    }

    void SetUp() override { ASSERT_TRUE(test::SharedKeyring().Ready()) << test::SharedKeyring().Error(); }

    // The credential store's password for user at host, or sentinel when it holds none.
    static std::u16string StoredCredential(const std::u16string& user, const std::string& host)
    {
        std::u16string secret;
        CredentialResult result = LoadCredential({"BorvanKH", WideToUtf8(user), host}, secret);
        EXPECT_NE(result.status, CredentialStatus::NoStore) << result.why;
        return result.status == CredentialStatus::Done ? secret : u"<absent>";
    }

    // A value as a fresh RegistryEditor reads it; sentinel when absent.
    std::u16string StoredString(const std::u16string& key, const std::u16string& name)
    {
        test::TipRecorder readTips;
        RegistryEditor editor(test::TipRecorder::Callback, readTips.Context());
        editor.SetKey(RootKey::CurrentUser, key);
        std::u16string value = u"<absent>";
        editor.ReadString(name, value);
        EXPECT_EQ(readTips.Count(), 0u);
        return value;
    }

    void StoreString(const std::u16string& name, const std::u16string& value)
    {
        RegistryEditor editor(test::TipRecorder::Callback, tips.Context());
        editor.SetKey(RootKey::CurrentUser, kKey);
        editor.WriteString(name, value);
    }

    void StoreNumber(const std::u16string& name, uint32_t value)
    {
        RegistryEditor editor(test::TipRecorder::Callback, tips.Context());
        editor.SetKey(RootKey::CurrentUser, kKey);
        editor.WriteDword(name, value);
    }

    test::TempSettingsDir dir;
    test::TipRecorder tips;
    ConfigCenter config{nullptr, test::TipRecorder::Callback, tips.Context()};
};

} // namespace kh
