#pragma once
// Modal message boxes on the GUI thread, with the Windows-style flags of the port mapped onto
// QMessageBox. It also knows the shutdown question: once the user has confirmed it, every open
// question (an update offer, say) is answered with Cancel at once, so the shutdown does not wait
// for a box nobody will look at again, and later questions get Cancel without showing. A forced
// shutdown (logging out, SIGTERM) answers the shutdown question with OK without asking.

#include "core/ports/MessageBoxPort.h"

#include <QList>
#include <QPointer>

class QMessageBox;
class QWidget;

namespace kh::ui {

class GuiMessageBox final : public MessageBoxPort
{
public:
    // owner: the main window, parent of the boxes shown as owned.
    explicit GuiMessageBox(QWidget* owner) : owner(owner) {}

    int Show(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned) override;

    // For a forced shutdown: the shutdown question is answered with OK without showing it (an open
    // one too), every other question with Cancel. GUI thread.
    void AnswerShutdownWithoutAsking();
    // True once a shutdown was confirmed (or forced). GUI thread.
    bool ShutdownUnderway() const { return shutdownUnderway; }

private:
    int ShowOnGuiThread(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned);
    void CancelOpenBoxes();

    QWidget* owner;
    // The rest is used on the GUI thread only.
    bool shutdownUnderway = false;
    QList<QPointer<QMessageBox>> openBoxes;
};

} // namespace kh::ui
