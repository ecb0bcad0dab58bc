#pragma once
// Message boxes answered in advance: each Show takes the next queued answer, or the default
// answer when none is queued, and records what was shown. An optional observer sees every box
// (the terminal client prints them). After AnswerShutdownWithoutAsking nothing is shown any more,
// as the window's boxes behave at a forced shutdown.

#include "core/ports/MessageBoxPort.h"

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace kh {

class HeadlessJournal;

struct ShownMessageBox
{
    std::u16string text;
    std::u16string caption;
    unsigned flags = 0;
    bool owned = false;
    int answer = 0;
};

class HeadlessMessageBox final : public MessageBoxPort
{
public:
    explicit HeadlessMessageBox(int defaultAnswer = kIdCancel, HeadlessJournal* journal = nullptr)
        : defaultAnswer(defaultAnswer), journal(journal)
    {
    }

    int Show(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned) override;

    // From now on no box is shown or recorded: the shutdown question is answered with OK, every
    // other question with Cancel (OK where it has none).
    void AnswerShutdownWithoutAsking();
    void QueueAnswer(int answer);
    void SetDefaultAnswer(int answer);
    void SetObserver(std::function<void(const ShownMessageBox&)> observer);
    std::vector<ShownMessageBox> Shown() const;

private:
    mutable std::mutex mutex;
    int defaultAnswer;
    HeadlessJournal* journal;
    std::deque<int> answers;
    bool quiet = false;
    std::vector<ShownMessageBox> shown;
    std::function<void(const ShownMessageBox&)> observer;
};

} // namespace kh
