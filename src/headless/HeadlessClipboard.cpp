#include "headless/HeadlessClipboard.h"

namespace kh {

using Guard = std::lock_guard<std::mutex>;

bool HeadlessClipboard::OpenedByCaller() const
{
    return openedBy && *openedBy == std::this_thread::get_id();
}

bool HeadlessClipboard::Open()
{
    Guard guard(mutex);
    if (heldByOther || (openedBy && !OpenedByCaller()))
        return false;
    openedBy = std::this_thread::get_id();
    return true;
}

bool HeadlessClipboard::Empty()
{
    Guard guard(mutex);
    if (!OpenedByCaller() || failures[Op::Empty]) {
        failures[Op::Empty] = false;
        return false;
    }
    content.reset();
    return true;
}

bool HeadlessClipboard::SetUnicodeText(const std::u16string& text)
{
    Guard guard(mutex);
    if (!OpenedByCaller() || failures[Op::Set]) {
        failures[Op::Set] = false;
        return false;
    }
    content = text;
    ++setCount;
    return true;
}

bool HeadlessClipboard::Close()
{
    Guard guard(mutex);
    if (!OpenedByCaller())
        return false;
    // A failed close still lets go of the clipboard, so a failed copy never blocks other users.
    openedBy.reset();
    if (failures[Op::Close]) {
        failures[Op::Close] = false;
        return false;
    }
    return true;
}

void HeadlessClipboard::HoldByOther(bool held)
{
    Guard guard(mutex);
    heldByOther = held;
}

void HeadlessClipboard::FailNext(Op op)
{
    Guard guard(mutex);
    failures[op] = true;
}

std::optional<std::u16string> HeadlessClipboard::Text()
{
    Guard guard(mutex);
    return content;
}

bool HeadlessClipboard::IsOpen()
{
    Guard guard(mutex);
    return openedBy.has_value();
}

int HeadlessClipboard::SetCount()
{
    Guard guard(mutex);
    return setCount;
}

} // namespace kh
