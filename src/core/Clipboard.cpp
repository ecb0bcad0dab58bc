#include "core/Clipboard.h"

#include "core/ports/ClipboardPort.h"

namespace kh {

// Site codes 4 to 6 belong to the global-memory hand-over of the Windows clipboard; the port
// takes the text itself, so a failed hand-over shows as site code 7.
bool Clipboard::CopyText(ClipboardPort* port, const std::u16string& text) const
{
    if (port == nullptr || !port->Open()) {
        ReportTip({}, 1);
        return false;
    }
    if (!port->Empty()) {
        port->Close();
        ReportTip({}, 2);
        return false;
    }
    if (!port->SetUnicodeText(text)) {
        port->Close();
        ReportTip({}, 7);
        return false;
    }
    if (!port->Close()) {
        ReportTip({}, 8);
        return false;
    }
    return true;
}

} // namespace kh
