#include "ui/qt/GuiToolBar.h"

#include "desktop/MainPresenter.h"
#include "ui/qt/GuiThread.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QSignalBlocker>
#include <QToolButton>

namespace kh::ui {

namespace {

// The icon of each button.
const std::map<int, const char*> kIcons = {
    {kIdGetNumbers, ":/get-numbers.svg"},   {kIdGetSms, ":/get-sms.svg"},
    {kIdExtractRule, ":/extract-rule.svg"}, {kIdRecharge, ":/recharge.svg"},
    {kIdProjectLink, ":/project-link.svg"}, {kIdProjectManagement, ":/project-manage.svg"},
    {kIdWindowTop, ":/window-top.svg"},     {kIdSettingsCentre, ":/settings.svg"},
};

constexpr int kIconSize = 32;

// A button that can show the pressed state but never changes it on a click: the click only reports
// the command, and the core decides the state.
class StateButton final : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    void nextCheckState() override {}
};

} // namespace

GuiToolBar::GuiToolBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bool first = true;
    // The buttons and their order are the window's, for every toolkit.
    for (const desktop::MenuItem& info : desktop::MainPresenter::ToolBar()) {
        // Equal stretches between the buttons: the first sits on the left edge, the last on the
        // right edge, the gaps share the rest.
        if (!first)
            layout->addStretch(1);
        first = false;
        auto* button = new StateButton(this);
        button->setText(QString::fromUtf16(info.text));
        auto icon = kIcons.find(info.commandId);
        if (icon != kIcons.end())
            button->setIcon(QIcon(QString::fromLatin1(icon->second)));
        button->setIconSize(QSize(kIconSize, kIconSize));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        // Every button can show the pressed state ("获取短信" and "窗口置顶" are the ones the core sets).
        button->setCheckable(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setObjectName(QStringLiteral("toolButton%1").arg(info.commandId));
        int id = info.commandId;
        connect(button, &QToolButton::clicked, this, [this, id] { emit commandClicked(id); });
        layout->addWidget(button);
        buttons[id] = button;
    }
}

QToolButton* GuiToolBar::Button(int commandId) const
{
    auto it = buttons.find(commandId);
    return it != buttons.end() ? it->second : nullptr;
}

bool GuiToolBar::SetButtonChecked(int commandId, bool checked)
{
    return OnGuiThread([&] {
        QToolButton* button = Button(commandId);
        if (button == nullptr)
            return false;
        QSignalBlocker blocker(button);
        button->setChecked(checked);
        return true;
    });
}

bool GuiToolBar::IsButtonChecked(int commandId)
{
    return OnGuiThread([&] {
        QToolButton* button = Button(commandId);
        return button != nullptr && button->isChecked();
    });
}

} // namespace kh::ui
