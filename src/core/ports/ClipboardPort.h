#pragma once
// The system clipboard as the clipboard helper sees it: open, empty, hand over a Unicode text,
// close. Each step reports its failure so that the helper can raise the matching tip.

#include <string>

namespace kh {

class ClipboardPort
{
public:
    virtual ~ClipboardPort() = default;

    // Opens the clipboard for the calling thread; false while another user holds it open.
    virtual bool Open() = 0;
    virtual bool Empty() = 0;
    // Replaces the content with text as Unicode text; false when the clipboard did not take it.
    virtual bool SetUnicodeText(const std::u16string& text) = 0;
    virtual bool Close() = 0;
};

} // namespace kh
