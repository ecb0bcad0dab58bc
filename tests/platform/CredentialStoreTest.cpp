// The credential store against a real one: on Linux GNOME Keyring on a private session bus, on
// Windows Credential Manager.

#include "platform/CredentialStore.h"

#include "support/PrivateKeyring.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace kh {
namespace {

class CredentialStoreTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { keyring = std::make_unique<test::PrivateKeyring>(); }
    static void TearDownTestSuite() { keyring.reset(); }

    void SetUp() override { ASSERT_TRUE(keyring->Ready()) << keyring->Error(); }

    // Items of this test only, so a Credential Manager shared with other runs is never confused.
    static CredentialKey Key(const std::string& user, const std::string& host)
    {
        return {"BorvanKH-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()), user, host};
    }

    static std::unique_ptr<test::PrivateKeyring> keyring;
};

std::unique_ptr<test::PrivateKeyring> CredentialStoreTest::keyring;

std::u16string Loaded(const CredentialKey& key, CredentialStatus expected = CredentialStatus::Done)
{
    std::u16string secret = u"<unset>";
    CredentialResult result = LoadCredential(key, secret);
    EXPECT_EQ(result.status, expected) << key.user << "@" << key.host << ": " << result.why;
    return secret;
}

TEST_F(CredentialStoreTest, EachUserAndHostHasItsOwnItem)
{
    // Same user at two hosts, two users at one host, and a user name that holds the separator of
    // the Windows item name.
    struct Case
    {
        CredentialKey key;
        std::u16string secret;
    } cases[] = {
        {Key("alice", "api.example.com"), u"alice-at-example"},
        {Key("alice", "127.0.0.1:8080"), u"alice-at-loopback"},
        {Key("张三", "api.example.com"), u"密码 with spaces & symbols=;"},
        {Key("bob@corp", "api.example.com"), u"bob"},
        {Key("bob", "corp@api.example.com"), u"not-bob"},
    };
    for (const Case& c : cases) {
        CredentialResult saved = SaveCredential(c.key, c.secret);
        ASSERT_EQ(saved.status, CredentialStatus::Done) << saved.why;
    }
    for (const Case& c : cases)
        EXPECT_EQ(Loaded(c.key), c.secret) << c.key.user << "@" << c.key.host;

    // Saving again replaces the item rather than adding a second one.
    ASSERT_EQ(SaveCredential(cases[0].key, u"changed").status, CredentialStatus::Done);
    EXPECT_EQ(Loaded(cases[0].key), u"changed");
    EXPECT_EQ(Loaded(cases[1].key), u"alice-at-loopback");

    for (const Case& c : cases)
        EXPECT_EQ(RemoveCredential(c.key).status, CredentialStatus::Done);
}

TEST_F(CredentialStoreTest, RemovedOrUnknownItemsAreNotFound)
{
    CredentialKey key = Key("carol", "api.example.com");
    EXPECT_EQ(Loaded(key, CredentialStatus::NotFound), u"");
    EXPECT_EQ(RemoveCredential(key).status, CredentialStatus::NotFound);

    ASSERT_EQ(SaveCredential(key, u"pw").status, CredentialStatus::Done);
    ASSERT_EQ(SaveCredential(Key("carol", "other.example.com"), u"kept").status, CredentialStatus::Done);
    EXPECT_EQ(RemoveCredential(key).status, CredentialStatus::Done);
    EXPECT_EQ(Loaded(key, CredentialStatus::NotFound), u"");
    EXPECT_EQ(RemoveCredential(key).status, CredentialStatus::NotFound);
    // Removing one item leaves the other account's.
    EXPECT_EQ(Loaded(Key("carol", "other.example.com")), u"kept");
    EXPECT_EQ(RemoveCredential(Key("carol", "other.example.com")).status, CredentialStatus::Done);
}

} // namespace
} // namespace kh
