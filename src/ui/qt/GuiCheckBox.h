#pragma once
// A check box of the main window (automatic SMS fetch, automatic extraction, list auto-sort) as the
// managers see it. Only a user's click emits clicked(); SetChecked does not.

#include "core/ports/CheckBoxPort.h"

#include <QCheckBox>

namespace kh::ui {

class GuiCheckBox final : public QCheckBox, public CheckBoxPort
{
    Q_OBJECT

public:
    explicit GuiCheckBox(const QString& text, QWidget* parent = nullptr) : QCheckBox(text, parent) {}

    bool IsChecked() override;
    void SetChecked(bool checked) override;
};

} // namespace kh::ui
