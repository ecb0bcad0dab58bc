#include "RequestFraming.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <strings.h>

namespace kh::sandbox {

namespace {

// Where the request head that starts at from ends, or npos while it is incomplete, as httplib's
// parser sees it: the head ends with a line that is just CRLF (header lines ending in a bare LF are
// skipped), and a request line without its CR ends it at once (httplib refuses such a request).
size_t HeadEnd(const std::string& input, size_t from)
{
    size_t requestLineEnd = input.find('\n', from);
    if (requestLineEnd == std::string::npos)
        return std::string::npos;
    if (requestLineEnd == from || input[requestLineEnd - 1] != '\r')
        return requestLineEnd + 1;
    size_t blankLine = input.find("\n\r\n", requestLineEnd);
    return blankLine == std::string::npos ? blankLine : blankLine + 3;
}

bool IsSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool RequestBodyIsRead(const std::string& method, bool hasContentLength)
{
    return method == "POST" || method == "PUT" || method == "PATCH" || method == "PRI" ||
           (method == "DELETE" && hasContentLength);
}

RequestFraming::RequestFraming(size_t maxHeadBytes, size_t bodyAllowance)
    : maxHeadBytes(maxHeadBytes), bodyAllowance(bodyAllowance)
{
}

void RequestFraming::Reset()
{
    state = State::PartialHead;
    body = Body::Unknown;
    headLength = 0;
    contentLength = 0;
    nextChunk = 0;
    expectsContinue = false;
}

RequestFraming::State RequestFraming::Scan(const std::string& input, size_t from)
{
    if (state == State::Ready || state == State::HeadTooLong)
        return state;
    if (body == Body::Unknown) {
        size_t end = HeadEnd(input, from);
        if (end == std::string::npos) {
            state = input.size() - from > maxHeadBytes ? State::HeadTooLong : State::PartialHead;
            return state;
        }
        if (end - from > maxHeadBytes) {
            state = State::HeadTooLong;
            return state;
        }
        ReadHead(input, from, end);
    }
    size_t bodyStart = from + headLength;
    size_t buffered = input.size() - bodyStart;
    switch (body) {
    case Body::Unknown:
    case Body::None:
        state = State::Ready;
        break;
    case Body::Length:
        state = buffered >= contentLength || buffered > bodyAllowance ? State::Ready : State::PartialBody;
        break;
    case Body::Chunked:
        state = ScanChunks(input, bodyStart);
        break;
    case Body::ToEnd:
        state = buffered > bodyAllowance ? State::Ready : State::PartialBody;
        break;
    }
    return state;
}

RequestFraming::State RequestFraming::InputEnded()
{
    // Whatever else is still partial can never complete: httplib then meets the end of input
    // itself and answers (or closes) at once.
    if (state != State::HeadTooLong)
        state = State::Ready;
    return state;
}

// Reads the request line's method and the framing headers as httplib stores them: a header line
// must end in CRLF, the value is trimmed of spaces and tabs and an empty one is not stored, names
// compare without case, and the first of repeated headers counts.
void RequestFraming::ReadHead(const std::string& input, size_t from, size_t end)
{
    headLength = end - from;
    size_t lineEnd = input.find('\n', from);
    std::string requestLine = input.substr(from, lineEnd - from);
    std::string method = requestLine.substr(0, requestLine.find(' '));
    bool haveEncoding = false;
    bool haveLength = false;
    bool haveExpect = false;
    std::string encoding;
    std::string length;
    for (size_t at = lineEnd + 1; at < end;) {
        size_t next = input.find('\n', at);
        if (next == std::string::npos || next >= end)
            break;
        size_t lineStart = at;
        at = next + 1;
        if (next == lineStart || input[next - 1] != '\r')
            continue;
        size_t stop = next - 1;
        while (stop > lineStart && IsSpaceOrTab(input[stop - 1]))
            --stop;
        size_t colon = input.find(':', lineStart);
        if (colon == std::string::npos || colon >= stop)
            continue;
        size_t valueStart = colon + 1;
        while (valueStart < stop && IsSpaceOrTab(input[valueStart]))
            ++valueStart;
        if (valueStart == stop)
            continue;
        std::string name = input.substr(lineStart, colon - lineStart);
        std::string value = input.substr(valueStart, stop - valueStart);
        if (!haveEncoding && strcasecmp(name.c_str(), "Transfer-Encoding") == 0) {
            haveEncoding = true;
            encoding = value;
        } else if (!haveLength && strcasecmp(name.c_str(), "Content-Length") == 0) {
            haveLength = true;
            length = value;
        } else if (!haveExpect && strcasecmp(name.c_str(), "Expect") == 0) {
            haveExpect = true;
            expectsContinue = strcasecmp(value.c_str(), "100-continue") == 0;
        }
    }
    bool requestLineEnds = lineEnd > from && input[lineEnd - 1] == '\r';
    if (!requestLineEnds || !RequestBodyIsRead(method, haveLength)) {
        // httplib refuses a request line without its CR before reading anything else.
        body = Body::None;
    } else if (haveEncoding && strcasecmp(encoding.c_str(), "chunked") == 0) {
        body = Body::Chunked;
    } else if (!haveLength) {
        body = Body::ToEnd;
    } else {
        contentLength = std::strtoull(length.c_str(), nullptr, 10);
        body = contentLength == 0 ? Body::None : Body::Length;
    }
    if (body == Body::None)
        expectsContinue = false;
}

// Chunks as httplib reads them: a size line (hex, read by strtoul), the data, then a line that is
// CRLF for another chunk to follow (any other line ends the body there); after the size 0 chunk one
// more line, the end. Broken framing is ready at once: httplib refuses it on what is buffered.
RequestFraming::State RequestFraming::ScanChunks(const std::string& input, size_t bodyStart)
{
    for (;;) {
        size_t sizeLine = bodyStart + nextChunk;
        size_t sizeEnd = input.find('\n', sizeLine);
        if (sizeEnd == std::string::npos)
            break;
        std::string line = input.substr(sizeLine, sizeEnd + 1 - sizeLine);
        char* parsed = nullptr;
        unsigned long size = std::strtoul(line.c_str(), &parsed, 16);
        if (parsed == line.c_str() || size == ULONG_MAX)
            return State::Ready;
        size_t dataStart = sizeEnd + 1;
        if (size == 0)
            return input.find('\n', dataStart) == std::string::npos ? State::PartialBody : State::Ready;
        if (input.size() - dataStart < size)
            break;
        size_t after = dataStart + size;
        size_t afterEnd = input.find('\n', after);
        if (afterEnd == std::string::npos)
            break;
        if (afterEnd != after + 1 || input[after] != '\r')
            return State::Ready;
        nextChunk = afterEnd + 1 - bodyStart;
    }
    return input.size() - bodyStart > bodyAllowance ? State::Ready : State::PartialBody;
}

} // namespace kh::sandbox
