#pragma once
// The main window in memory: visibility, top-most placement, front switches and the posted close
// notice, with an event a waiting test or the terminal client can block on, and a listener that
// hears of the notice (the in-memory main view passes it to its presenter).

#include "core/ports/MainWindowPort.h"
#include "platform/Sync.h"

#include <atomic>
#include <functional>
#include <mutex>

namespace kh {

class HeadlessJournal;

class HeadlessMainWindow final : public MainWindowPort
{
public:
    explicit HeadlessMainWindow(HeadlessJournal* journal = nullptr, bool visible = true)
        : journal(journal), visible(visible)
    {
    }

    bool IsVisible() override { return visible; }
    void Show() override;
    void Hide() override;
    void SwitchTo() override;
    void SetTopMost(bool topMost) override;
    void PostClose() override;

    // Runs listener on the posting thread each time the close notice is posted.
    void SetCloseListener(std::function<void()> listener);

    bool IsTopMost() const { return topMost; }
    int SwitchCount() const { return switches; }
    bool ClosePosted() { return closeEvent.IsSet(); }
    // Signalled when the close notice has been posted.
    Event closeEvent{true};

private:
    HeadlessJournal* journal;
    std::atomic<bool> visible;
    std::atomic<bool> topMost{false};
    std::atomic<int> switches{0};
    std::mutex listenerMutex;
    std::function<void()> closeListener;
};

} // namespace kh
