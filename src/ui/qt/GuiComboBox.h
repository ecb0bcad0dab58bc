#pragma once
// A drop-down list (project, province and carrier boxes) as the managers see it. It behaves like the
// list of a dialog's combo box: items stay in the order added, nothing is selected until a selection
// is set (Qt would select the first item added), and a selection follows its item when items are
// inserted or deleted above it. Changes made through the port emit no signal; only the user's
// choice emits activated().

#include "core/ports/ComboBoxPort.h"

#include <QComboBox>

namespace kh::ui {

class GuiComboBox final : public QComboBox, public ComboBoxPort
{
    Q_OBJECT

public:
    explicit GuiComboBox(QWidget* parent = nullptr) : QComboBox(parent) {}

    int GetCount() override;
    int AddString(const std::u16string& text) override;
    int InsertString(int index, const std::u16string& text) override;
    bool GetItemText(int index, std::u16string& text) override;
    intptr_t GetItemData(int index) override;
    bool SetItemData(int index, intptr_t data) override;
    bool DeleteString(int index) override;
    void ResetContent() override;
    int GetCurSel() override;
    bool SetCurSel(int index) override;
    std::u16string GetWindowText() override;
    void SetRedraw(bool redraw) override;
    void Invalidate(bool erase) override;

private:
    int InsertOnGuiThread(int index, const QString& text);
};

} // namespace kh::ui
