#include "ui/qt/GuiCheckBox.h"

#include "ui/qt/GuiThread.h"

#include <QSignalBlocker>

namespace kh::ui {

bool GuiCheckBox::IsChecked()
{
    return OnGuiThread([&] { return isChecked(); });
}

void GuiCheckBox::SetChecked(bool checked)
{
    OnGuiThread([&] {
        QSignalBlocker blocker(this);
        setChecked(checked);
    });
}

} // namespace kh::ui
