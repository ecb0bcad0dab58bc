// When the connection gate may hand a request to a request thread: a whole head and the whole
// body it announces, read as httplib reads them, or as soon as what is buffered decides the answer.

#include "RequestFraming.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh::sandbox {
namespace {

using State = RequestFraming::State;

constexpr size_t kMaxHead = 128;
constexpr size_t kAllowance = 100;

const std::string kPost = "POST /login HTTP/1.1\r\nHost: x\r\n";
const std::string kChunked = kPost + "Transfer-Encoding: chunked\r\n\r\n";

TEST(RequestFramingTest, RequestIsReadyOnlyOnceItsHeadAndBodyAreBuffered)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> pieces; // arriving one after another; scanned after each
        std::vector<State> states;       // the state after each piece
        bool inputEnds = false;          // the client then ends its input
        State afterEnd = State::Ready;
    };
    const std::string over(kAllowance + 1, 'a');
    const Case cases[] = {
        {"a GET", {"GET / HTTP/1.1\r\nHost: x\r\n", "\r\n"}, {State::PartialHead, State::Ready}},
        {"a head without an end past the limit",
         {"GET / HTTP/1.1\r\nX: " + std::string(kMaxHead, 'a')},
         {State::HeadTooLong}},
        {"a complete head past the limit",
         {"GET / HTTP/1.1\r\nX: " + std::string(kMaxHead, 'a') + "\r\n\r\n"},
         {State::HeadTooLong}},
        {"a body by length, in pieces",
         {kPost + "content-length:  10 \r\n\r\n12345", "6789", "0"},
         {State::PartialBody, State::PartialBody, State::Ready}},
        {"a zero length", {kPost + "Content-Length: 0\r\n\r\n"}, {State::Ready}},
        {"the first of two lengths counts",
         {kPost + "Content-Length: 2\r\nContent-Length: 50\r\n\r\nab"},
         {State::Ready}},
        {"a length past the allowance: ready once more than the allowance is in",
         {kPost + "Content-Length: 1000000\r\n\r\n" + std::string(kAllowance, 'a'), "a"},
         {State::PartialBody, State::Ready}},
        {"chunks, resumed in the middle of each part",
         {kChunked + "3\r\nab", "c\r\n", "0", "\r\n", "\r\n"},
         {State::PartialBody, State::PartialBody, State::PartialBody, State::PartialBody, State::Ready}},
        {"a chunk extension", {kChunked + "3;x=1\r\nabc\r\n0\r\n\r\n"}, {State::Ready}},
        {"a size line that is no number", {kChunked + "zz\r\n"}, {State::Ready}},
        {"chunk data not followed by CRLF ends the body", {kChunked + "3\r\nabcXY\r\n"}, {State::Ready}},
        {"chunk data then a line still coming", {kChunked + "3\r\nabcXY"}, {State::PartialBody}},
        {"small chunks past the allowance",
         {kChunked +
          [] {
              std::string body;
              for (int i = 0; i < 30; ++i)
                  body += "1\r\na\r\n";
              return body;
          }()},
         {State::Ready}},
        {"one huge chunk: ready once more than the allowance is in",
         {kChunked + "100000\r\n" + std::string(kAllowance - 8, 'a'), "aaaaaaaaa"},
         {State::PartialBody, State::Ready}},
        // httplib takes only "chunked" itself as chunked, and a body without length up to the end.
        {"another transfer coding, no length",
         {kPost + "Transfer-Encoding: gzip, chunked\r\n\r\nab"},
         {State::PartialBody},
         true},
        {"a POST without length runs to the end of input", {kPost + "\r\nabc"}, {State::PartialBody}, true},
        {"a POST without length past the allowance", {kPost + "\r\n" + over}, {State::Ready}},
        {"a GET's body is not read", {"GET / HTTP/1.1\r\nContent-Length: 10\r\n\r\n"}, {State::Ready}},
        {"a DELETE's chunks are not read", {"DELETE / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"}, {State::Ready}},
        {"a DELETE's body by length is read", {"DELETE / HTTP/1.1\r\nContent-Length: 5\r\n\r\n"}, {State::PartialBody}},
        {"a request line without CR is refused unread", {"POST / HTTP/1.1\nContent-Length: 5\n\n"}, {State::Ready}},
        // A header line ending in a bare LF is skipped, so this POST has no length.
        {"a length on a bare-LF line", {kPost + "Content-Length: 2\n\r\nab"}, {State::PartialBody}},
        {"a head that ends incomplete", {kPost + "Content-Le"}, {State::PartialHead}},
    };
    for (const Case& c : cases) {
        RequestFraming framing(kMaxHead, kAllowance);
        std::string input;
        ASSERT_EQ(c.pieces.size(), c.states.size()) << c.name;
        for (size_t i = 0; i < c.pieces.size(); ++i) {
            input += c.pieces[i];
            EXPECT_EQ(framing.Scan(input, 0), c.states[i]) << c.name << ", piece " << i;
        }
        if (c.inputEnds) {
            EXPECT_EQ(framing.InputEnded(), c.afterEnd) << c.name;
        }
    }
}

TEST(RequestFramingTest, HeadLengthContinueAndResetFollowTheRequestAtHand)
{
    RequestFraming framing(kMaxHead, kAllowance);
    const std::string head = kPost + "Expect: 100-Continue\r\nContent-Length: 3\r\n\r\n";
    // The request starts after what an earlier one left in the buffer.
    std::string input = "xx" + head;
    EXPECT_EQ(framing.Scan(input, 2), State::PartialBody);
    EXPECT_TRUE(framing.ExpectsContinue());
    EXPECT_EQ(framing.HeadLength(), head.size());
    input += "abc";
    EXPECT_EQ(framing.Scan(input, 2), State::Ready);

    // The next request on the connection is read afresh.
    framing.Reset();
    EXPECT_EQ(framing.Scan("GET / HTTP/1.1\r\nExpect: 100-continue\r\n\r\n", 0), State::Ready);
    EXPECT_FALSE(framing.ExpectsContinue()) << "a GET sends no body to wait for";
    framing.Reset();
    EXPECT_EQ(framing.Scan(kPost + "Content-Length: 3\r\n\r\n", 0), State::PartialBody);
    EXPECT_FALSE(framing.ExpectsContinue());
    // A head that is still too long stays refused, even when the input ends.
    framing.Reset();
    EXPECT_EQ(framing.Scan(std::string(kMaxHead + 1, 'a'), 0), State::HeadTooLong);
    EXPECT_EQ(framing.InputEnded(), State::HeadTooLong);
}

} // namespace
} // namespace kh::sandbox
