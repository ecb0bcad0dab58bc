#include "ui/qt/GuiTipsView.h"

#include "ui/qt/GuiThread.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace kh::ui {

GuiTipsView::GuiTipsView(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The bar's range follows the layout of the lines just added, which may come after the insert
    // has returned; a box that follows its end keeps its last line in view when it does.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int maximum) {
        if (followEnd && redrawOn)
            verticalScrollBar()->setValue(maximum);
    });
    // Scrolling by hand (wheel, bar, keys) lets go of the end until the next append reaches it.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int) { followEnd = false; });
}

size_t GuiTipsView::ToPortPosition(int documentPosition) const
{
    QTextBlock block = document()->findBlock(documentPosition);
    int line = block.isValid() ? block.blockNumber() : std::max(0, document()->blockCount() - 1);
    return static_cast<size_t>(documentPosition) + static_cast<size_t>(line);
}

int GuiTipsView::ToDocumentPosition(size_t portPosition) const
{
    // The line whose port start is the last one at or before portPosition: the port start of
    // line n is its document start plus n (one extra unit for each CR LF before it).
    const QTextDocument* doc = document();
    int low = 0;
    int high = doc->blockCount() - 1;
    while (low < high) {
        int middle = (low + high + 1) / 2;
        QTextBlock block = doc->findBlockByNumber(middle);
        if (static_cast<size_t>(block.position()) + static_cast<size_t>(middle) <= portPosition)
            low = middle;
        else
            high = middle - 1;
    }
    QTextBlock block = doc->findBlockByNumber(low);
    size_t offset = portPosition - (static_cast<size_t>(block.position()) + static_cast<size_t>(low));
    // A position between CR and LF, or past the end, lands at the end of the line's text.
    size_t textLength = static_cast<size_t>(block.length() - 1);
    return block.position() + static_cast<int>(std::min(offset, textLength));
}

size_t GuiTipsView::PortLength() const
{
    return ToPortPosition(document()->characterCount() - 1);
}

size_t GuiTipsView::TextLength()
{
    return OnGuiThread([&] { return PortLength(); }, size_t(0));
}

void GuiTipsView::GetSelection(size_t& start, size_t& end)
{
    size_t first = 0;
    size_t last = 0;
    OnGuiThread([&] {
        QTextCursor cursor = textCursor();
        first = ToPortPosition(cursor.selectionStart());
        last = ToPortPosition(cursor.selectionEnd());
    });
    start = first;
    end = last;
}

void GuiTipsView::SetSelection(size_t start, size_t end)
{
    OnGuiThread([&] {
        size_t length = PortLength();
        followEnd = false;
        size_t first = std::min(start, length);
        size_t last = std::min(end, length);
        if (first > last)
            std::swap(first, last);
        QTextCursor cursor(document());
        cursor.setPosition(ToDocumentPosition(first));
        cursor.setPosition(ToDocumentPosition(last), QTextCursor::KeepAnchor);
        setTextCursor(cursor);
    });
}

void GuiTipsView::ReplaceSelection(const std::u16string& text)
{
    OnGuiThread([&] {
        QTextCursor cursor = textCursor();
        cursor.insertText(QString::fromStdU16String(text));
        setTextCursor(cursor);
        // Making the caret visible can stop a pixel short of the end when the view holds a
        // fraction of a line (it depends on the font's line height); an append at the end scrolls
        // the box all the way down instead, as an edit control scrolled to its caret does.
        followEnd = redrawOn && cursor.atEnd();
        if (followEnd)
            verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    });
}

std::u16string GuiTipsView::GetText()
{
    return OnGuiThread([&] { return toPlainText().replace(u'\n', QStringLiteral("\r\n")).toStdU16String(); });
}

void GuiTipsView::Clear()
{
    OnGuiThread([&] { clear(); });
}

void GuiTipsView::SetRedraw(bool on)
{
    OnGuiThread([&] {
        if (on == redrawOn)
            return;
        redrawOn = on;
        if (!on) {
            followEnd = false;
            savedVertical = verticalScrollBar()->value();
            savedHorizontal = horizontalScrollBar()->value();
            setUpdatesEnabled(false);
        } else {
            verticalScrollBar()->setValue(savedVertical);
            horizontalScrollBar()->setValue(savedHorizontal);
            setUpdatesEnabled(true);
        }
    });
}

} // namespace kh::ui
