#pragma once
// The Windows clipboard as the clipboard helper uses it: opened without an owner window by the
// calling thread (the command worker), emptied, given the text as CF_UNICODETEXT in movable global
// memory, closed. Each step reports its failure; memory the clipboard did not take is freed.

#include "core/ports/ClipboardPort.h"

namespace kh::win32 {

class Clipboard final : public ClipboardPort
{
public:
    // False while another window or program holds the clipboard open.
    bool Open() override;
    bool Empty() override;
    bool SetUnicodeText(const std::u16string& text) override;
    bool Close() override;
};

} // namespace kh::win32
