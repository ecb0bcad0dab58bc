#pragma once
// The read-only tips box at the bottom of the main window, as the tips box drives it. Positions and
// lengths are those of an edit control: UTF-16 code units with CR LF between lines, although the
// document keeps one separator per line. While redrawing is off the view keeps its scroll position,
// so lines appended while the user reads or selects do not move what the user sees.

#include "core/ports/TipsViewPort.h"

#include <QPlainTextEdit>

namespace kh::ui {

class GuiTipsView final : public QPlainTextEdit, public TipsViewPort
{
    Q_OBJECT

public:
    explicit GuiTipsView(QWidget* parent = nullptr);

    size_t TextLength() override;
    void GetSelection(size_t& start, size_t& end) override;
    void SetSelection(size_t start, size_t end) override;
    void ReplaceSelection(const std::u16string& text) override;
    std::u16string GetText() override;
    void Clear() override;
    void SetRedraw(bool on) override;

private:
    // Between a position of the port (CR LF counts two) and one of the document (one separator).
    size_t ToPortPosition(int documentPosition) const;
    int ToDocumentPosition(size_t portPosition) const;
    size_t PortLength() const;

    bool redrawOn = true;
    // The last append left the caret at the end with redrawing on: the box stays at its bottom.
    bool followEnd = false;
    int savedVertical = 0;
    int savedHorizontal = 0;
};

} // namespace kh::ui
