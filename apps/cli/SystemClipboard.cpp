#include "SystemClipboard.h"

#include "platform/ChildProgram.h"
#include "platform/TextCodec.h"

#include <cstdlib>

namespace kh::cli {

namespace {

// xclip sets the selection before it returns (and then serves it from the background), so a
// paste right after sees the code; a display that does not answer in this time gets no copy.
constexpr uint32_t kToolTimeoutMs = 5000;

} // namespace

bool SystemClipboard::Prepare(std::string& problem)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        problem = "--copy needs a desktop's X display, and DISPLAY is not set";
        return false;
    }
    std::string found = FindProgram("xclip");
    if (found.empty()) {
        problem = "--copy needs xclip to reach the clipboard (Debian package xclip, installed by scripts/setup)";
        return false;
    }
    std::lock_guard<std::mutex> guard(mutex);
    tool = found;
    return true;
}

bool SystemClipboard::OpenedByCaller()
{
    std::lock_guard<std::mutex> guard(mutex);
    return openedBy && *openedBy == std::this_thread::get_id();
}

bool SystemClipboard::Open()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (tool.empty() || (openedBy && *openedBy != std::this_thread::get_id()))
        return false;
    openedBy = std::this_thread::get_id();
    return true;
}

bool SystemClipboard::Empty()
{
    return OpenedByCaller();
}

bool SystemClipboard::SetUnicodeText(const std::u16string& text)
{
    std::string program;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (!openedBy || *openedBy != std::this_thread::get_id())
            return false;
        program = tool;
    }
    std::string problem;
    return RunProgramWithInput({program, "-selection", "clipboard"}, WideToUtf8(text), kToolTimeoutMs, problem) == 0;
}

bool SystemClipboard::Close()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!openedBy || *openedBy != std::this_thread::get_id())
        return false;
    openedBy.reset();
    return true;
}

} // namespace kh::cli
