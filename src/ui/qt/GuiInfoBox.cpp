#include "ui/qt/GuiInfoBox.h"

#include "ui/qt/GuiThread.h"

#include <QSignalBlocker>

namespace kh::ui {

GuiInfoBox::GuiInfoBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

std::u16string GuiInfoBox::GetWindowText()
{
    // Line breaks read back as CR LF, as they were written.
    return OnGuiThread([&] { return toPlainText().replace(u'\n', QStringLiteral("\r\n")).toStdU16String(); });
}

bool GuiInfoBox::SetWindowText(const std::u16string& value)
{
    return OnGuiThread([&] {
        QSignalBlocker blocker(this);
        setPlainText(QString::fromStdU16String(value));
        return true;
    });
}

} // namespace kh::ui
