#pragma once
// The clipboard helper: puts a wide text on the clipboard through the clipboard port and reports
// each failed step as a tip of the calling manager's tip target. Used by the number list's copy
// commands.

#include "base/Tip.h"

#include <string>

namespace kh {

class ClipboardPort;

class Clipboard final : public TipSource
{
public:
    Clipboard(TipCallback callback, void* context) : TipSource("Clipboard.", callback, context) {}

    // Replaces the clipboard content with text as Unicode text; true on success. A null port
    // counts as a clipboard that cannot be opened.
    bool CopyText(ClipboardPort* port, const std::u16string& text) const;
};

} // namespace kh
