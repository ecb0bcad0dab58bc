#pragma once
// The small web site the client opens in the browser: home page, registration page, download page
// and the sign-in jump page /oauth.aspx. Used by SandboxServer.

#include <string>

namespace kh::sandbox {

std::string HomePage();
std::string RegistrationPage();
std::string DownloadPage(const std::string& version, const std::string& updateContent);
// owner is the account the token belongs to, empty when the token is unknown or expired.
std::string OauthPage(const std::string& jump, const std::string& token, const std::string& owner);
std::string NotFoundPage(const std::string& path);
std::string ServerErrorPage();

// Text made safe for an HTML page (& < > " ' escaped).
std::string HtmlEscape(const std::string& text);

} // namespace kh::sandbox
