#pragma once
// Records every tip a module raises, from any thread, for assertions in tests.

#include "base/Tip.h"

#include <mutex>
#include <string>
#include <vector>

namespace kh::test {

struct RecordedTip
{
    std::string message;
    std::string error;
};

class TipRecorder
{
public:
    // The callback/context pair to hand to a module.
    static void Callback(std::string message, std::string error, void* context);
    void* Context() { return this; }

    std::vector<RecordedTip> Tips() const;
    std::vector<std::string> Messages() const;
    std::vector<std::string> Errors() const;
    bool HasMessage(const std::string& message) const;
    bool HasError(const std::string& error) const;
    size_t Count() const;
    void Clear();

private:
    mutable std::mutex mutex;
    std::vector<RecordedTip> tips;
};

} // namespace kh::test
