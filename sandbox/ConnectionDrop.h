#pragma once
// Ending a connection from inside a request handler without sending anything. cpp-httplib gives a
// handler no socket and always writes a reply, so the sandbox finds the accepted socket by the
// request's two endpoints and shuts it down; the reply httplib writes afterwards goes nowhere.
// Used by the "close without reply" fault.

#include <string>

struct sockaddr_storage;

namespace kh::sandbox {

// The numeric host (as inet_ntop writes it) and port of an IPv4 or IPv6 address; false for others.
// The gate names request endpoints with it, so DropConnection finds them again.
bool EndpointText(const sockaddr_storage& address, std::string& host, int& port);

// Shuts down (both ways) the connected socket of this process whose peer is remoteAddr:remotePort
// and whose local port is localPort. False when no such socket was found.
bool DropConnection(const std::string& remoteAddr, int remotePort, int localPort);

} // namespace kh::sandbox
