#pragma once
// The login dialog in memory: the sign-in button's caption, the history of captions, and the
// success notice as an event.

#include "core/ports/LoginDialogPort.h"
#include "platform/Sync.h"

#include <mutex>
#include <vector>

namespace kh {

class HeadlessLoginDialog final : public LoginDialogPort
{
public:
    // The button's resource caption.
    static constexpr const char16_t* kIdleCaption = u"登    录";

    void SetButtonCaption(const std::u16string& caption) override;
    void PostSuccessNotice() override { successEvent.Set(); }

    std::u16string ButtonCaption() const;
    std::vector<std::u16string> CaptionHistory() const;
    bool Succeeded() { return successEvent.IsSet(); }

    Event successEvent{true};

private:
    mutable std::mutex mutex;
    std::u16string caption = kIdleCaption;
    std::vector<std::u16string> history;
};

} // namespace kh
