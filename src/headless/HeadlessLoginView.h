#pragma once
// The login dialog's view in memory (desktop/LoginView.h), for the presenters' tests: fields a
// test types into, the caption, the tips strip and its text, a timer and a modal run on a
// HeadlessEventLoop. Used on the loop's thread.

#include "desktop/LoginView.h"

#include <chrono>
#include <optional>
#include <string>

namespace kh {

class HeadlessEventLoop;

class HeadlessLoginView final : public desktop::LoginView
{
public:
    static constexpr const char16_t* kIdleCaption = u"登    录";

    explicit HeadlessLoginView(HeadlessEventLoop& loop) : loop(loop) {}
    ~HeadlessLoginView() override;
    HeadlessLoginView(const HeadlessLoginView&) = delete;
    HeadlessLoginView& operator=(const HeadlessLoginView&) = delete;

    void SetPresenter(desktop::LoginPresenter* presenter) override { this->presenter = presenter; }
    desktop::LoginFields ReadFields() override { return fields; }
    void ShowFields(const desktop::LoginFields& shown) override { fields = shown; }
    void SetSignInCaption(const std::u16string& text) override { caption = text; }
    void ShowTip(const std::u16string& text) override;
    void HideTip() override { tipShown = false; }
    void StartTimer(int intervalMs) override;
    void StopTimer() override;
    bool RunModal() override;
    void End(bool accepted) override;

    // Shows the dialog without a modal run, as a toolkit's show does: it reports being shown.
    void Show();

    desktop::LoginPresenter* Presenter() const { return presenter; }

    // What the controls hold; a test types into it.
    desktop::LoginFields fields;
    std::u16string caption = kIdleCaption;
    std::u16string tipText;
    bool tipShown = false;
    bool visible = false;
    // How often the timer has reported.
    int timerTicks = 0;
    // The result End gave, none while the dialog has not ended.
    std::optional<bool> result;
    // The modal run's safety net: a test that never ends the dialog fails instead of hanging.
    std::chrono::milliseconds modalLimit{60000};

private:
    HeadlessEventLoop& loop;
    desktop::LoginPresenter* presenter = nullptr;
    int timer = 0;
};

} // namespace kh
