#include "http/HttpErrorText.h"

#include "http/HttpErrors.h"

#include <map>

namespace kh {

namespace {

// Every number HttpClient::Send can return. Numbers that two sources share (the host cache and URL
// parsing, or the https channel) name both, since the number alone cannot tell them apart.
const std::map<int, const char*>& ErrorTexts()
{
    static const std::map<int, const char*> texts = {
        {kHttpOk, "success"},
        {kErrUrlEmpty, "the URL is empty"},
        {kErrUrlNoSchemeSeparator, "the URL has no \"://\"; or (host cache) its lock was refused while reading"},
        {kErrUrlEmptyScheme,
         "the URL has no scheme before \"://\"; or (host cache) its lock was refused while reading"},
        {kErrUrlUnknownScheme, "the URL's scheme is neither http nor https"},
        {kErrUrlBadCharacter, "the URL holds a space or a control character"},
        {kErrUrlNothingAfterScheme,
         "nothing follows \"://\" in the URL; or (host cache) the host's address could not be written as text"},
        {kErrUrlNoPath, "the URL has no \"/\" after the host; or (host cache) the host's address text came out empty"},
        {kErrUrlEmptyHostPort, "the URL has no host; or (host cache) its lock was refused while clearing it"},
        {kErrCacheClearUnlock, "the host cache's lock was refused while clearing it"},
        {kErrUrlPortMissing, "the URL's host ends with \":\" and no port"},
        {kErrCacheNoAddress, "the host name was not found (no IPv4 address)"},
        {kErrUrlBadPort, "the URL's port is 0, above 65535 or not a number; or (host cache) the host's address is 0"},
        {kErrUrlEmptyHost, "the URL has nothing before \":\"; or (host cache) its lock was refused while storing"},
        {kErrCacheStoreUnlock, "the host cache's lock was refused while storing an address"},
        {kErrCacheTextException, "an exception while writing the host's address as text"},
        {kErrCacheResolveException, "an exception while looking up the host"},
        {kErrTlsSessionOpen, "https: the session could not be opened; or (host cache) an exception while clearing it"},
        {kErrTlsTimeouts, "https: the time-outs could not be set"},
        {kErrTlsConnect, "https: the connection to the server failed"},
        {kErrTlsOpenRequest, "https: the request could not be opened"},
        {kErrTlsReadSecurityFlags, "https: the security settings could not be read"},
        {kErrTlsWriteSecurityFlags, "https: the security settings could not be written"},
        {kErrTlsAddHeaders, "https: the request headers could not be added"},
        {kErrToWideSize, "text conversion failed (to UTF-16: size)"},
        {kErrToWideBuffer, "text conversion failed (to UTF-16: buffer)"},
        {kErrToWideConvert, "text conversion failed (to UTF-16)"},
        {kErrFromWideSize, "text conversion failed (from UTF-16: size)"},
        {kErrFromWideBuffer, "text conversion failed (from UTF-16: buffer)"},
        {kErrFromWideConvert, "text conversion failed (from UTF-16)"},
        {kErrTlsSendRequest, "https: sending the request failed"},
        {kErrTlsReceiveResponse, "https: no response was received"},
        {kErrTlsQueryStatus, "https: the status code could not be read"},
        {kErrTlsStatusNot200, "https: the server answered with a status other than 200"},
        {kErrEmptyWideText, "text conversion gave an empty UTF-16 text"},
        {kErrEmptyRecodedText, "text conversion gave an empty text"},
        {kErrTlsCookieSize, "https: the size of a Set-Cookie header could not be read"},
        {kErrTlsCookieBuffer, "https: no memory for a Set-Cookie header"},
        {kErrTlsCookieValue, "https: a Set-Cookie header could not be read"},
        {kErrTlsQueryDataAvailable, "https: reading the reply failed"},
        {kErrTlsBufferAllocation, "https: no memory for the reply"},
        {kErrTlsReadData, "https: reading the reply failed"},
        {kErrTlsShortRead, "https: fewer reply bytes than announced"},
        {kErrReplyTextAllocation, "no memory for the reply text"},
        {kErrReplyTextEmpty, "the reply body begins with a zero byte"},
        {kErrTlsCloseRequest, "https: closing the request failed"},
        {kErrTlsCloseConnection, "https: closing the connection failed"},
        {kErrTlsCloseSession, "https: closing the session failed"},
        {kErrCookieWithoutName, "the reply set a cookie without a name"},
        {kErrException, "an unexpected exception inside the request"},
        {kErrNetworkStart, "the system's network library could not be started"},
        {kErrSocketCreate, "no socket could be created"},
        {kErrNotConnected, "not connected: the server refused, could not be reached or did not answer in time"},
        {kErrNonBlocking, "the socket could not be switched to non-blocking mode"},
        {kErrConnectReturnedSuccess, "the connect call returned success instead of \"in progress\""},
        {kErrBlocking, "the socket could not be switched back to blocking mode"},
        {kErrSendTimeout, "the send time-out could not be set"},
        {kErrReceiveTimeout, "the receive time-out could not be set"},
        {kErrSend, "sending the request failed"},
        {kErrBufferAllocation, "no memory for the reply"},
        {kErrReplyTooLarge, "the reply is larger than 16 MiB"},
        {kErrClosedEarly, "the server closed the connection before the reply was complete"},
        {kErrReceive, "receiving the reply failed or took too long (time-out or the request's overall deadline)"},
        {kErrTlsCertificate, "https: the server's certificate failed the check"},
        {kErrTlsCaFile, "https: the CA file cannot be read or holds no certificate"},
        {kErrStopped, "the request was stopped while its reply was being read"},
        {kErrSocketClose, "closing the socket failed"},
        {kErrNetworkStop, "stopping the system's network library failed"},
    };
    return texts;
}

} // namespace

std::string HttpErrorText(int error)
{
    auto found = ErrorTexts().find(error);
    return found != ErrorTexts().end() ? found->second : "unknown error number";
}

} // namespace kh
