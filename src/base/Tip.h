#pragma once
// The tip: how every module tells the user (or the log) what happened. A tip is a message and an
// error string; the error string is "<Module>.<site>.<detail>" for internal and network failures
// and empty for plain messages. Senders use TipSource::ReportTip; the receiver is a TipCallback.

#include <string>

namespace kh {

// Runs on the thread that raises the tip. Both strings are ANSI byte strings, passed by value.
using TipCallback = void (*)(std::string message, std::string error, void* context);

// Builds the error string and calls the callback; nothing when callback or context is null.
// marker is the module's class name followed by a full stop ("SMSManager.").
void ReportTip(TipCallback callback, void* context, const char* marker, const std::string& message, int siteCode,
               const std::string& detail);

// The tip-reporting half of every module: its callback, context and marker.
class TipSource
{
public:
    TipSource(const char* marker, TipCallback callback, void* context)
        : marker(marker), tipCallback(callback), tipContext(context)
    {
    }

    void ReportTip(const std::string& message, int siteCode, const std::string& detail = {}) const
    {
        kh::ReportTip(tipCallback, tipContext, marker, message, siteCode, detail);
    }

    TipCallback GetTipCallback() const { return tipCallback; }
    void* GetTipContext() const { return tipContext; }
    const char* Marker() const { return marker; }

protected:
    ~TipSource() = default;

    const char* marker;
    TipCallback tipCallback;
    void* tipContext;
};

} // namespace kh
