#include "headless/HeadlessClipboard.h"

namespace kh {

using Guard = std::lock_guard<std::mutex>;

bool HeadlessClipboard::Open()
{
    Guard guard(mutex);
    return !heldByOther && owner.Open();
}

bool HeadlessClipboard::Empty()
{
    Guard guard(mutex);
    if (!owner.HeldByCaller() || failures[Op::Empty]) {
        failures[Op::Empty] = false;
        return false;
    }
    content.reset();
    return true;
}

bool HeadlessClipboard::SetUnicodeText(const std::u16string& text)
{
    Guard guard(mutex);
    if (!owner.HeldByCaller() || failures[Op::Set]) {
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
    // A failed close still lets go of the clipboard, so a failed copy never blocks other users.
    if (!owner.Close())
        return false;
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
    return owner.IsOpen();
}

int HeadlessClipboard::SetCount()
{
    Guard guard(mutex);
    return setCount;
}

} // namespace kh
