#pragma once
// The receiving side of the tips: ShowTip turns a tip into a display line, and TipsBox appends it
// with a time stamp to the main window's tips view, keeps the view at the newest line unless the
// user is reading, and moves the whole text into a GBK log file under "TipsLog" when the box grows
// past its limit and at shutdown. Where the executable's folder cannot be written, the log goes to
// the per-user data folder instead; a text that cannot be written anywhere stays in the box.

#include "platform/Sync.h"

#include <cstddef>
#include <string>

namespace kh {

struct OwnerWindow;
class MessageBoxPort;
class TipsViewPort;

// The managers' tip callback; context is the OwnerWindow whose tipsBox shows the tip.
void ShowTip(std::string message, std::string error, void* context);

// The display text of a tip: M, M错误串：E。 or 发生内部错误！错误串：E。 (also used by the login dialog).
std::u16string TipDisplayText(const std::string& message, const std::string& error);

class TipsBox final
{
public:
    static constexpr size_t kDefaultSaveThreshold = 10485760;

    // severeBox shows ReportSevere's boxes (stderr when null); the box is saved once it holds
    // saveThreshold characters or more.
    explicit TipsBox(MessageBoxPort* severeBox = nullptr, size_t saveThreshold = kDefaultSaveThreshold);
    TipsBox(const TipsBox&) = delete;
    TipsBox& operator=(const TipsBox&) = delete;

    void Init(TipsViewPort* view, OwnerWindow* owner, const std::u16string& logDirectory);

    // Appends one line; any thread.
    void AddTip(const std::u16string& text);
    // Writes the box into a new log file, empties it and appends the saved-to line. The caller
    // holds the append lock.
    void SaveAndClear();

    CriticalSection& AppendLock() { return appendLock; }
    // The main window pauses scrolling on a click into the box and resumes it on a click elsewhere.
    void SetAutoScroll(bool on);

    // Full path of the last log file written, empty before the first.
    std::string LastLogFile();

private:
    void AppendLine(const std::u16string& text);
    // Writes text into a new file in folder; true with the file's path on success, otherwise the
    // errno of the failure.
    bool WriteLogFile(const std::string& folder, const std::u16string& text, std::string& path, int& error);
    void ReportSevere(int code, const std::string& detail = {});

    CriticalSection appendLock;
    CriticalSection scrollLock;
    TipsViewPort* view = nullptr;
    OwnerWindow* owner = nullptr;
    std::string logDirectory;
    bool autoScroll = true;
    MessageBoxPort* severeBox;
    const size_t saveThreshold;
    // The length at which the next save is due: the threshold, or further on after a save that
    // could not be written anywhere, so the kept text is not retried with every tip.
    size_t nextSaveAt;
    std::string lastLogFile;
};

} // namespace kh
