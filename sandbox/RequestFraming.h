#pragma once
// How much of one HTTP/1.1 request the sandbox's connection gate has buffered, read the way
// cpp-httplib's parser reads it: where the head ends, and whether the body the head announces (by
// Content-Length, in chunks, or up to the end of the client's input) is all there. The gate hands a
// connection to a request thread only once the request is ready, so a client that sends its head
// and then trickles its body holds no request thread while it does. The scan is resumable: called
// again with more input it goes on where it stopped, so a body arriving in many small pieces is
// read once, not once per piece.

#include <cstddef>
#include <string>

namespace kh::sandbox {

// Whether httplib reads a request's body before routing: always for POST, PUT, PATCH and PRI, for
// DELETE only with a Content-Length header. Any other body is left on the connection, unread.
bool RequestBodyIsRead(const std::string& method, bool hasContentLength);

class RequestFraming final
{
public:
    enum class State
    {
        PartialHead, // the head has not ended yet
        HeadTooLong, // more than the head limit without an end: to be refused
        PartialBody, // the head is complete and the body it announces is still coming
        // A request thread may take it without waiting for the client: the request is whole, or
        // what is buffered already decides its answer (more body than the allowance, broken chunk
        // framing, input that has ended).
        Ready,
    };

    // bodyAllowance: body bytes (framing included) the request thread may read. A request whose body
    // goes past it is handed on once more than that is buffered, and refused there.
    RequestFraming(size_t maxHeadBytes, size_t bodyAllowance);

    // Examines the request that starts at from in input (from must stay the same until Reset).
    State Scan(const std::string& input, size_t from);
    // The client has ended its input: a body that runs to the end of the input is whole.
    State InputEnded();
    // Forgets the request, before the next one on the connection is scanned.
    void Reset();

    // Valid once the state is past PartialHead (and not HeadTooLong).
    size_t HeadLength() const { return headLength; }
    // The head asks for an interim "100 Continue" before the client sends the body.
    bool ExpectsContinue() const { return expectsContinue; }

private:
    enum class Body
    {
        Unknown, // head not complete yet
        None,
        Length,
        Chunked,
        ToEnd,
    };

    void ReadHead(const std::string& input, size_t from, size_t end);
    State ScanChunks(const std::string& input, size_t bodyStart);

    const size_t maxHeadBytes;
    const size_t bodyAllowance;
    State state = State::PartialHead;
    Body body = Body::Unknown;
    size_t headLength = 0;
    unsigned long long contentLength = 0;
    size_t nextChunk = 0; // offset after the head of the next chunk's size line
    bool expectsContinue = false;
};

} // namespace kh::sandbox
