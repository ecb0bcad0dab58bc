// Connects the test-support library to GoogleTest: a support failure fails the current test, and
// fixtures can ask whether it has failed (to print what they recorded). Linked into every
// GoogleTest program.

#include "support/SupportHooks.h"

#include <gtest/gtest.h>

namespace {

const bool installed = [] {
    kh::test::Hooks().currentTestFailed = [] { return ::testing::Test::HasFailure(); };
    kh::test::Hooks().reportFailure = [](const std::string& message) { ADD_FAILURE() << message; };
    return true;
}();

} // namespace
