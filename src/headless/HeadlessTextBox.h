#pragma once
// An edit control in memory: its text, set and read from any thread. Tests can make the next
// SetWindowText fail and count how often the text was written.

#include "core/ports/TextBoxPort.h"

#include <mutex>

namespace kh {

class HeadlessTextBox final : public TextBoxPort
{
public:
    HeadlessTextBox() = default;
    explicit HeadlessTextBox(std::u16string initial) : text(std::move(initial)) {}

    std::u16string GetWindowText() override;
    bool SetWindowText(const std::u16string& value) override;

    void FailNextSet();
    int SetCount();

private:
    std::mutex mutex;
    std::u16string text;
    bool failNextSet = false;
    int setCount = 0;
};

} // namespace kh
