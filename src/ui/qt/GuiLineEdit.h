#pragma once
// A one-line edit (search keyword, number count) as the managers see it.

#include "core/ports/TextBoxPort.h"

#include <QLineEdit>

namespace kh::ui {

class GuiLineEdit final : public QLineEdit, public TextBoxPort
{
    Q_OBJECT

public:
    explicit GuiLineEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}

    std::u16string GetWindowText() override;
    bool SetWindowText(const std::u16string& text) override;
};

} // namespace kh::ui
