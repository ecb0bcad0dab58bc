#include "ui/qt/GuiLineEdit.h"

#include "ui/qt/GuiThread.h"

#include <QSignalBlocker>

namespace kh::ui {

std::u16string GuiLineEdit::GetWindowText()
{
    return OnGuiThread([&] { return text().toStdU16String(); });
}

bool GuiLineEdit::SetWindowText(const std::u16string& value)
{
    return OnGuiThread([&] {
        QSignalBlocker blocker(this);
        setText(QString::fromStdU16String(value));
        return true;
    });
}

} // namespace kh::ui
