#pragma once
// The receiving side of the tips: ShowTip turns a tip into a display line, and TipsBox appends it
// with a time stamp to the main window's tips view, keeps the view at the newest line unless the
// user is reading, and moves the whole text into a GBK log file under "TipsLog" when the box grows
// past its limit and at shutdown. Where the executable's folder cannot be written, the log goes to
// the per-user data folder instead; a text that cannot be written anywhere stays in the box.
//
// Threads: any thread raises tips. AddTip stamps the line and queues it under the append lock,
// which guards nothing but the queue and is held across no call; the view work (appending the
// queued lines, the size check, saving, the severe-error box) is posted to the UI executor and
// runs there with no lock of the box held (thread rule in core/ports/UiExecutor.h). So a tip
// raised on the GUI thread never waits for a worker. With the inline executor everything has
// happened when AddTip or SaveAndClear returns; with a GUI thread's executor it happens soon after,
// in the order the calls were made.

#include <cstddef>
#include <memory>
#include <string>

namespace kh {

struct OwnerWindow;
class MessageBoxPort;
class TipsViewPort;
class UiExecutor;

// The managers' tip callback; context is the OwnerWindow whose tipsBox shows the tip.
void ShowTip(std::string message, std::string error, void* context);

// The display text of a tip: M, M错误串：E。 or 发生内部错误！错误串：E。 (also used by the login dialog).
std::u16string TipDisplayText(const std::string& message, const std::string& error);

class TipsBox final
{
public:
    static constexpr size_t kDefaultSaveThreshold = 10485760;

    // severeBox shows ReportSevere's boxes (stderr when null); executor runs the view work on the
    // thread that owns the tips view (null: inline on the calling thread); the box is saved once
    // it holds saveThreshold characters or more. severeBox, executor and the view given to Init
    // must outlive the tasks posted to the executor; the box itself may go before them.
    explicit TipsBox(MessageBoxPort* severeBox = nullptr, UiExecutor* executor = nullptr,
                     size_t saveThreshold = kDefaultSaveThreshold);
    ~TipsBox();
    TipsBox(const TipsBox&) = delete;
    TipsBox& operator=(const TipsBox&) = delete;

    // Attaches the tips view and the log folder (through the executor, like every view call), and
    // severeBox when given, in place of the one given at construction (for a window made after the
    // box).
    void Init(TipsViewPort* view, OwnerWindow* owner, const std::u16string& logDirectory,
              MessageBoxPort* severeBox = nullptr);

    // Stamps text with the local time now and appends it as one line; any thread.
    void AddTip(const std::u16string& text);
    // Writes the box, with every line raised before this call, into a new log file, empties it and
    // appends the saved-to line naming the file's full path; any thread.
    void SaveAndClear();

    // The main window pauses scrolling on a click into the box and resumes it on a click
    // elsewhere. Takes only the scroll lock, and calls nothing while holding it.
    void SetAutoScroll(bool on);

    // Full path of the last log file written, empty before the first.
    std::string LastLogFile();

private:
    struct State;
    // Shared with the tasks posted to the executor, which may run after the box is gone.
    std::shared_ptr<State> state;
};

} // namespace kh
