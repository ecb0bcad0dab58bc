#include "ui/qt/GuiStatusBar.h"

#include "ui/qt/GuiThread.h"

#include <QLabel>

namespace kh::ui {

namespace {

// The panes' texts before the account figures arrive.
const char16_t* const kInitialTexts[StatusBarPort::kPaneCount] = {u"用户名：", u"余额：", u"可获取号码数：",
                                                                  u"等级：",   u"折扣：", u"积分："};

} // namespace

GuiStatusBar::GuiStatusBar(QWidget* parent) : QStatusBar(parent)
{
    for (int i = 0; i < kPaneCount; ++i) {
        auto* label = new QLabel(QString::fromUtf16(kInitialTexts[i]), this);
        label->setObjectName(QStringLiteral("pane%1").arg(i));
        // A pane takes the width of its text and no more; the space right of the last one stays empty.
        label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        addWidget(label);
        panes[static_cast<size_t>(i)] = label;
    }
    auto* notice = new QLabel(this);
    notice->setObjectName(QStringLiteral("notice"));
    addPermanentWidget(notice);
    panes[kNoticePane] = notice;
}

bool GuiStatusBar::SetPaneText(int index, const std::u16string& text)
{
    if (index < 0 || index > kNoticePane)
        return false;
    return OnGuiThread([&] {
        panes[static_cast<size_t>(index)]->setText(QString::fromStdU16String(text));
        return true;
    });
}

std::u16string GuiStatusBar::PaneText(int index)
{
    if (index < 0 || index > kNoticePane)
        return {};
    return OnGuiThread([&] { return panes[static_cast<size_t>(index)]->text().toStdU16String(); });
}

} // namespace kh::ui
