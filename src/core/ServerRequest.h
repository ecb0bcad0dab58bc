#pragma once
// One attempt of a server conversation in the common form: a fresh HttpClient in UTF-8 mode
// posts the form body, a transport failure becomes the step's network tip (detail "N."), and the
// reply's code and msg are read by key. What a code means is left to the caller, except that
// RefuseUnlessSuccess turns anything but "0" into the step's refusal tip.

#include "core/Manager.h"

#include <string>

namespace kh {

struct ServerReply
{
    std::string text;
    std::string code;
    std::string msg;
    // The HTTP status of the reply's status line (0 when none was read).
    int status = 0;
    // After a transport failure: text holds the part of the body that had come when the
    // connection was lost (code and msg read from it), for a request whose effects are kept.
    bool partial = false;
};

// The URL of path on the service address host (a host setting, ServiceAddress): "http://" + host
// + path, or "https://..." for an address written with that scheme; the scheme is written once
// however the setting spells it, and a trailing "/" of the setting is dropped.
std::string ServiceUrl(const std::string& host, const std::string& path);

// Sends one form request through a fresh HttpClient (UTF-8 body), reports a transport failure as
// networkMessage with site networkSite and the client's error number, and reads the reply's code and
// msg. False (with the tip reported by source) when the transport failed.
// Over HTTPS the server's certificate is checked as the settings ServerConfig_TlsCaFile and
// ServerConfig_TlsInsecure say; a failed check names what failed in the network tip, and a request
// made without the check raises a tip saying the connection was not verified: once per sign-in,
// with the mark kTlsUnverifiedMark in the status bar's notice pane, when the owner window has an
// UnverifiedNotice, else with every such request.
bool PostForm(const Manager& source, const std::string& url, const std::string& body, const std::string& networkMessage,
              int networkSite, ServerReply& reply);

// PostForm without its network tip, for a caller that sums up several requests in one tip: the
// client's error number (0 when a reply came, its code and msg then read into reply); after a
// failed certificate check, tlsProblem says what failed (as the network tip would). A request
// made without the check still raises its tip. A reply cut short mid-body fills reply as a
// partial one. The request ends early with kErrStopped when source's stopEvent is signalled while
// its reply is still arriving.
int SendForm(const Manager& source, const std::string& url, const std::string& body, ServerReply& reply,
             std::string& tlsProblem);

// "（HTTP 413）" for a reply whose status line was not 200, empty otherwise: a refusal whose body
// says nothing (a server's error page) then still says what the server answered.
std::string HttpStatusNote(const ServerReply& reply);

// The common judgement of a result code the caller does not handle itself: true when code is "0";
// otherwise the tip refusalPrefix + code + msg with site code 0, and false.
bool RefuseUnlessSuccess(const TipSource& source, const ServerReply& reply, const std::string& refusalPrefix);

} // namespace kh
