#pragma once
// Runs a piece of work on the thread that owns a Qt object (for widgets, the GUI thread): at once
// when the caller is already on that thread, otherwise queued to it, waiting for it to finish when
// asked to. Used by the Qt implementations of the ports, which workers call.

#include <functional>

class QObject;

namespace kh::ui {

// A queued call whose context object is deleted before it runs is dropped; a caller waiting for it
// is released then. Waiting is only safe because the GUI thread never waits for a worker.
void RunOnGuiThread(QObject* context, std::function<void()> fn, bool wait);

} // namespace kh::ui
