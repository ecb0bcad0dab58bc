#pragma once
// The desktop's notifications as SMS fetching sees them: one notice per extracted code, showing
// the number and its code; choosing it brings the main window to the front. The Qt client sends
// it to the desktop's notification service, the terminal client and the tests keep it in memory.
// The call never waits for the desktop: it returns once the notice is handed over, whether or not
// a notification service answers, so SMS fetching may make it holding its own lock.

#include <string>

namespace kh {

class NotifierPort
{
public:
    virtual ~NotifierPort() = default;

    virtual void NotifyCode(const std::u16string& number, const std::u16string& code) = 0;
};

} // namespace kh
