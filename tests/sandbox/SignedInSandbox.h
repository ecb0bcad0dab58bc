#pragma once
// The start of the sandbox endpoint tests: a sandbox on loopback with the test scenario and a fixed
// seed, signed in as the account "u". Each test class picks its own seed so their runs stay
// independent of each other's request order.

#include "SandboxScenario.h"
#include "support/SandboxProcess.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace kh::test {

class SignedInSandboxTest : public ::testing::Test
{
protected:
    explicit SignedInSandboxTest(uint64_t seed) : sandbox{SandboxOptions{kTestScenario, {}, seed, 0}} {}

    void SetUp() override
    {
        ASSERT_TRUE(sandbox.Started()) << sandbox.Error();
        token = sandbox.Login("u", "p");
        ASSERT_FALSE(token.empty());
    }

    SandboxProcess sandbox;
    std::string token;
};

} // namespace kh::test
