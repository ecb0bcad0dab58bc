#pragma once
// Whether the user has been told, since the current sign-in began, that the client's requests go
// out without certificate checking (ServerConfig_TlsInsecure): said once per sign-in in a tip,
// rather than with every request (a flood while numbers are polled), and kept in view from then on
// as a mark in the status bar's notice pane. The session owns one; the owner window points to it;
// the login controller rearms it at each sign-in, and the server requests claim it.

#include <atomic>

namespace kh {

class UnverifiedNotice final
{
public:
    // A sign-in begins: the next unverified request says it again.
    void Rearm() { said = false; }
    // True for the first caller since the last Rearm.
    bool Claim() { return !said.exchange(true); }

private:
    std::atomic<bool> said{false};
};

} // namespace kh
