#pragma once
// The main window's status bar: six panes (user name, balance, numbers available, level, discount,
// score), each as wide as its text, filled in by the account figures, and the notice pane at the
// right end.

#include "core/ports/StatusBarPort.h"

#include <QStatusBar>
#include <array>

class QLabel;

namespace kh::ui {

class GuiStatusBar final : public QStatusBar, public StatusBarPort
{
    Q_OBJECT

public:
    explicit GuiStatusBar(QWidget* parent = nullptr);

    bool SetPaneText(int index, const std::u16string& text) override;
    std::u16string PaneText(int index) override;

private:
    std::array<QLabel*, kNoticePane + 1> panes{};
};

} // namespace kh::ui
