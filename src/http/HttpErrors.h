#pragma once
// The error numbers of HttpClient::Send and of the host cache. They are plain integers with no
// common base and are shown to the user as tip details, so their values never change; what each
// means in words is HttpErrorText (HttpErrorText.h). Numbers of
// the host cache (the kErrCache* block) are passed up unchanged and overlap with the client's own
// (7, 8, 13, 14 mean one thing or the other, as the caller shows them as they are).

namespace kh {

inline constexpr int kHttpOk = 0;

// URL parsing: every one of these is returned before any network activity.
inline constexpr int kErrUrlEmpty = 1;
inline constexpr int kErrUrlNoSchemeSeparator = 2; // no "://"
inline constexpr int kErrUrlEmptyScheme = 3;
inline constexpr int kErrUrlUnknownScheme = 4; // neither http nor https
inline constexpr int kErrUrlBadCharacter = 5;  // a space or control byte would break the request line
inline constexpr int kErrUrlNothingAfterScheme = 7;
inline constexpr int kErrUrlNoPath = 8; // no "/" after the host
inline constexpr int kErrUrlEmptyHostPort = 9;
inline constexpr int kErrUrlPortMissing = 11; // ":" at the end of host and port
inline constexpr int kErrUrlBadPort = 13;     // port 0, above 65535 or not a decimal number
inline constexpr int kErrUrlEmptyHost = 14;   // nothing before ":"

// The host cache.
inline constexpr int kErrCacheReadLock = 2;
inline constexpr int kErrCacheReadUnlock = 3;
inline constexpr int kErrCacheFormatAddress = 7;
inline constexpr int kErrCacheEmptyAddressText = 8;
inline constexpr int kErrCacheClearLock = 9;
inline constexpr int kErrCacheClearUnlock = 10;
inline constexpr int kErrCacheNoAddress = 12; // the resolver found no IPv4 address
inline constexpr int kErrCacheZeroAddress = 13;
inline constexpr int kErrCacheStoreLock = 14;
inline constexpr int kErrCacheStoreUnlock = 15;
inline constexpr int kErrCacheTextException = 16;
inline constexpr int kErrCacheResolveException = 17;
inline constexpr int kErrCacheClearException = 18;

// The https channel (each implementation of TlsChannel maps its library's results onto these).
inline constexpr int kErrTlsSessionOpen = 18;
inline constexpr int kErrTlsTimeouts = 21;
inline constexpr int kErrTlsConnect = 25;
inline constexpr int kErrTlsOpenRequest = 30;
inline constexpr int kErrTlsReadSecurityFlags = 32;
inline constexpr int kErrTlsWriteSecurityFlags = 33;
inline constexpr int kErrTlsAddHeaders = 36;
inline constexpr int kErrTlsSendRequest = 45;
inline constexpr int kErrTlsReceiveResponse = 48;
inline constexpr int kErrTlsQueryStatus = 49;
inline constexpr int kErrTlsStatusNot200 = 50;
inline constexpr int kErrTlsCookieSize = 53;   // WinHTTP: the size of a Set-Cookie header
inline constexpr int kErrTlsCookieBuffer = 54; // WinHTTP: its buffer
inline constexpr int kErrTlsCookieValue = 55;  // WinHTTP: its value or the value's conversion
inline constexpr int kErrTlsQueryDataAvailable = 69;
inline constexpr int kErrTlsBufferAllocation = 72;
inline constexpr int kErrTlsReadData = 78;
inline constexpr int kErrTlsShortRead = 79;
inline constexpr int kErrTlsCloseRequest = 85;
inline constexpr int kErrTlsCloseConnection = 86;
inline constexpr int kErrTlsCloseSession = 87;

// Recoding text between code pages (request body, reply).
inline constexpr int kErrToWideSize = 37;
inline constexpr int kErrToWideBuffer = 38;
inline constexpr int kErrToWideConvert = 39;
inline constexpr int kErrFromWideSize = 40;
inline constexpr int kErrFromWideBuffer = 41;
inline constexpr int kErrFromWideConvert = 42;
inline constexpr int kErrEmptyWideText = 51;
inline constexpr int kErrEmptyRecodedText = 52;

// Reading the reply.
inline constexpr int kErrReplyTextAllocation = 82;
inline constexpr int kErrReplyTextEmpty = 83; // the buffer begins with a zero byte
inline constexpr int kErrCookieWithoutName = 89;
inline constexpr int kErrException = 102;

// The socket channel.
inline constexpr int kErrNetworkStart = 107;
inline constexpr int kErrSocketCreate = 108;
inline constexpr int kErrNotConnected = 114; // refused, unreachable or timed out; the host cache is cleared
inline constexpr int kErrNonBlocking = 116;
inline constexpr int kErrConnectReturnedSuccess = 118;
inline constexpr int kErrBlocking = 119;
inline constexpr int kErrSendTimeout = 122;
inline constexpr int kErrReceiveTimeout = 123;
inline constexpr int kErrSend = 127;
inline constexpr int kErrBufferAllocation = 130;
inline constexpr int kErrReplyTooLarge = 131; // more than HttpClient::kMaxReplyBytes
inline constexpr int kErrClosedEarly = 132;   // the server closed before the reply was complete
inline constexpr int kErrReceive = 133;       // receive failed or timed out
// The request outlived its connect, send and receive time-outs added together (a server that
// trickles its reply a byte at a time never runs into the receive time-out of a single receive).
inline constexpr int kErrDeadline = 133;
// Certificate checking of the https channel; HttpClient::LastTlsProblem says what failed.
inline constexpr int kErrTlsCertificate = 134; // the server's certificate failed the check
inline constexpr int kErrTlsCaFile = 135;      // the CA file cannot be read or holds no certificate
// The request's stop was signalled while its reply was still arriving or being taken apart
// (HttpClient::SetStopEvent).
inline constexpr int kErrStopped = 136;
inline constexpr int kErrSocketClose = 141;
inline constexpr int kErrNetworkStop = 142;

} // namespace kh
