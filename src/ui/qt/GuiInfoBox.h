#pragma once
// The read-only multi-line box that shows the chosen project's price and remark, as the project
// manager sees it.

#include "core/ports/TextBoxPort.h"

#include <QPlainTextEdit>

namespace kh::ui {

class GuiInfoBox final : public QPlainTextEdit, public TextBoxPort
{
    Q_OBJECT

public:
    explicit GuiInfoBox(QWidget* parent = nullptr);

    std::u16string GetWindowText() override;
    bool SetWindowText(const std::u16string& text) override;
};

} // namespace kh::ui
