#pragma once
// The tips edit box in memory, with the edit control's behaviour: a selection that clamps to the
// text, replace-selection leaving the caret behind the insert, and a redraw switch. An optional
// observer sees every inserted text (the terminal client prints the tips as they arrive).

#include "core/ports/TipsViewPort.h"

#include <functional>
#include <mutex>

namespace kh {

class HeadlessTipsView final : public TipsViewPort
{
public:
    size_t TextLength() override;
    void GetSelection(size_t& start, size_t& end) override;
    void SetSelection(size_t start, size_t end) override;
    void ReplaceSelection(const std::u16string& text) override;
    std::u16string GetText() override;
    void Clear() override;
    void SetRedraw(bool on) override;

    bool RedrawOn();
    void SetObserver(std::function<void(const std::u16string&)> observer);

private:
    std::mutex mutex;
    std::u16string text;
    size_t selStart = 0;
    size_t selEnd = 0;
    bool redraw = true;
    std::function<void(const std::u16string&)> observer;
};

} // namespace kh
