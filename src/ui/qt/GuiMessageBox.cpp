#include "ui/qt/GuiMessageBox.h"

#include "app/Dispatcher.h"
#include "ui/qt/GuiThread.h"

#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

namespace kh::ui {

namespace {

// Marks the box that asks the shutdown question, and the result it gets when a forced shutdown
// answers it.
constexpr const char* kShutdownProperty = "shutdownQuestion";
constexpr int kForcedOk = 0x4B4F;

// The answer a box gets when nobody is asked: Cancel where there is one.
int QuietAnswer(unsigned flags)
{
    return (flags & kMbTypeMask) == kMbOkCancel ? kIdCancel : kIdOk;
}

QMessageBox::Icon IconOf(unsigned flags)
{
    switch (flags & kMbIconMask) {
    case kMbIconError:
        return QMessageBox::Critical;
    case kMbIconQuestion:
        return QMessageBox::Question;
    case kMbIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int GuiMessageBox::Show(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned)
{
    // Once closing has begun nobody is asked: the quiet answer.
    return OnGuiThread([&] { return ShowOnGuiThread(text, caption, flags, owned); }, QuietAnswer(flags));
}

int GuiMessageBox::ShowOnGuiThread(const std::u16string& text, const std::u16string& caption, unsigned flags,
                                   bool owned)
{
    bool shutdownQuestion = text == kShutdownQuestion && caption == kShutdownCaption;
    if (shutdownUnderway) {
        // Nobody is asked any more; keep what a box would have said for the terminal's log.
        std::fprintf(stderr, "borvankh: %s: %s\n", QString::fromStdU16String(caption).toLocal8Bit().constData(),
                     QString::fromStdU16String(text).toLocal8Bit().constData());
        return shutdownQuestion ? kIdOk : QuietAnswer(flags);
    }

    QMessageBox box(IconOf(flags), QString::fromStdU16String(caption), QString::fromStdU16String(text),
                    QMessageBox::NoButton, owned ? owner : nullptr);
    QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if ((flags & kMbTypeMask) == kMbOkCancel) {
        cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.setDefaultButton((flags & kMbDefMask) == kMbDefButton2 && cancel != nullptr ? cancel : ok);
    if (owned && owner != nullptr)
        box.setWindowModality(Qt::WindowModal);

    box.setProperty(kShutdownProperty, shutdownQuestion);
    openBoxes.append(&box);
    box.exec();
    openBoxes.removeAll(&box);
    // Closed by Escape, by the close box or by CancelOpenBoxes: Cancel (OK for a box without
    // one), except for a shutdown question that a forced shutdown answered.
    int answer = box.clickedButton() == ok || box.result() == kForcedOk ? kIdOk : QuietAnswer(flags);

    if (shutdownQuestion && answer == kIdOk) {
        shutdownUnderway = true;
        CancelOpenBoxes();
    }
    return answer;
}

void GuiMessageBox::AnswerShutdownWithoutAsking()
{
    shutdownUnderway = true;
    CancelOpenBoxes();
}

void GuiMessageBox::CancelOpenBoxes()
{
    // The boxes are closed now; each exec() returns once the GUI thread gets back to its loop.
    for (const QPointer<QMessageBox>& box : openBoxes) {
        if (box.isNull())
            continue;
        if (box->property(kShutdownProperty).toBool())
            box->done(kForcedOk);
        else
            box->reject();
    }
}

} // namespace kh::ui
