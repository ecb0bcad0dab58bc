#pragma once
// The row of eight large buttons at the top of the main window, icon above text, spread evenly
// from the left edge to the right edge. "获取短信" and "窗口置顶" show a pressed state, which only
// the core sets through the port: a click emits commandClicked with the button's command id and
// leaves the state as it is.

#include "core/ports/ToolBarPort.h"

#include <QWidget>
#include <map>

class QToolButton;

namespace kh::ui {

class GuiToolBar final : public QWidget, public ToolBarPort
{
    Q_OBJECT

public:
    explicit GuiToolBar(QWidget* parent = nullptr);

    bool SetButtonChecked(int commandId, bool checked) override;
    bool IsButtonChecked(int commandId) override;

    // The button of a command id (for tests), null when there is none.
    QToolButton* Button(int commandId) const;

signals:
    void commandClicked(int commandId);

private:
    std::map<int, QToolButton*> buttons;
};

} // namespace kh::ui
