#include "SystemClipboard.h"

#include "platform/ChildProgram.h"
#include "platform/TextCodec.h"

namespace kh::cli {

namespace {

// xclip sets the selection before it returns (and then serves it from the background), so a
// paste right after sees the code; a display that does not answer in this time gets no copy.
// clip.exe on Windows returns once the clipboard holds the text.
constexpr uint32_t kToolTimeoutMs = 5000;

} // namespace

bool SystemClipboard::Prepare(std::string& problem)
{
    std::vector<std::string> command = ClipboardCommand(problem);
    if (command.empty())
        return false;
    std::lock_guard<std::mutex> guard(mutex);
    tool = command;
    return true;
}

bool SystemClipboard::Open()
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (tool.empty())
            return false;
    }
    return owner.Open();
}

bool SystemClipboard::Empty()
{
    return owner.HeldByCaller();
}

bool SystemClipboard::SetUnicodeText(const std::u16string& text)
{
    if (!owner.HeldByCaller())
        return false;
    std::vector<std::string> command;
    {
        std::lock_guard<std::mutex> guard(mutex);
        command = tool;
    }
    std::string problem;
    return RunProgramWithInput(command, WideToUtf8(text), kToolTimeoutMs, problem) == 0;
}

bool SystemClipboard::Close()
{
    return owner.Close();
}

} // namespace kh::cli
