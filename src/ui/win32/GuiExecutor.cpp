#include "ui/win32/GuiExecutor.h"

#include "ui/win32/GuiThread.h"

namespace kh::win32 {

void GuiExecutor::Post(std::function<void()> task)
{
    if (stopped->load() || !task)
        return;
    PostToGuiThread([flag = stopped, task = std::move(task)] {
        if (!flag->load())
            task();
    });
}

} // namespace kh::win32
