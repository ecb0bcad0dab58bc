#include "core/Clipboard.h"

#include "core/ports/ClipboardPort.h"

namespace kh {
namespace {

// Site codes of this module's internal tips. 4 to 6 belong to the global-memory hand-over of the
// Windows clipboard; the port takes the text itself, so a failed hand-over shows as kSiteSetText.
enum Site : int
{
    kSiteOpen = 1,
    kSiteEmpty = 2,
    kSiteSetText = 7,
    kSiteClose = 8,
};

} // namespace

bool Clipboard::CopyText(ClipboardPort* port, const std::u16string& text) const
{
    if (port == nullptr || !port->Open()) {
        ReportTip({}, kSiteOpen);
        return false;
    }
    if (!port->Empty()) {
        port->Close();
        ReportTip({}, kSiteEmpty);
        return false;
    }
    if (!port->SetUnicodeText(text)) {
        port->Close();
        ReportTip({}, kSiteSetText);
        return false;
    }
    if (!port->Close()) {
        ReportTip({}, kSiteClose);
        return false;
    }
    return true;
}

} // namespace kh
