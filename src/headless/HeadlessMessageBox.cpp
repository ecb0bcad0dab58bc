#include "headless/HeadlessMessageBox.h"

#include "app/Dispatcher.h"
#include "headless/HeadlessJournal.h"
#include "platform/TextCodec.h"

namespace kh {

int HeadlessMessageBox::Show(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned)
{
    ShownMessageBox box{text, caption, flags, owned, 0};
    std::function<void(const ShownMessageBox&)> watcher;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (quiet) {
            // Nobody is asked any more: the shutdown question gets OK, every other question
            // Cancel where it has one.
            if (text == kShutdownQuestion && caption == kShutdownCaption)
                return kIdOk;
            return (flags & kMbTypeMask) == kMbOkCancel ? kIdCancel : kIdOk;
        }
        if (answers.empty()) {
            box.answer = defaultAnswer;
        } else {
            box.answer = answers.front();
            answers.pop_front();
        }
        shown.push_back(box);
        watcher = observer;
    }
    Note(journal, "messagebox:" + WideToAnsi(caption));
    if (watcher)
        watcher(box);
    return box.answer;
}

void HeadlessMessageBox::AnswerShutdownWithoutAsking()
{
    std::lock_guard<std::mutex> guard(mutex);
    quiet = true;
}

void HeadlessMessageBox::QueueAnswer(int answer)
{
    std::lock_guard<std::mutex> guard(mutex);
    answers.push_back(answer);
}

void HeadlessMessageBox::SetDefaultAnswer(int answer)
{
    std::lock_guard<std::mutex> guard(mutex);
    defaultAnswer = answer;
}

void HeadlessMessageBox::SetObserver(std::function<void(const ShownMessageBox&)> watcher)
{
    std::lock_guard<std::mutex> guard(mutex);
    observer = std::move(watcher);
}

std::vector<ShownMessageBox> HeadlessMessageBox::Shown() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return shown;
}

} // namespace kh
