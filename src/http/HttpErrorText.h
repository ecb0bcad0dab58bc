#pragma once
// What an error number of HttpClient::Send means, in words, for the people who read it: the
// numbers of HttpErrors.h (and of the host cache, which share some values with the client's own:
// both meanings are given then). kh-http prints it beside the number.

#include <string>

namespace kh {

// One short English sentence for error; "unknown error number" for a number nobody returns.
std::string HttpErrorText(int error);

} // namespace kh
