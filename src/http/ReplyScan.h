#pragma once
// The end-marker scan of a reply that arrives in pieces, shared by HttpClient's socket channel and
// both TLS channels. A reply with an end marker is complete as soon as its text holds the marker;
// its text ends at the body's first zero byte. Each piece is searched once: only what is new, plus
// the bytes the marker may straddle, is searched again.

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace kh {

// How far a growing text has been searched for a marker.
class MarkerScan
{
public:
    // Whether text, which has only grown since the last call, holds marker.
    bool Found(std::string_view text, std::string_view marker)
    {
        if (text.find(marker, scanned) != std::string_view::npos)
            return true;
        scanned = text.size() >= marker.size() ? text.size() - marker.size() + 1 : 0;
        return false;
    }
    void Reset() { scanned = 0; }

private:
    size_t scanned = 0;
};

// A body stored as it arrives (the TLS channels): where its text ends, and whether that text holds
// the end marker.
class ReplyTextScan
{
public:
    ReplyTextScan() = default;
    explicit ReplyTextScan(std::string_view marker) : marker(marker) {}

    // Takes the bytes of body from `from` on, which just arrived. True once the body's text holds
    // the marker; never without a marker.
    bool Arrived(const std::vector<char>& body, size_t from)
    {
        if (!textEnded) {
            const auto zero = std::find(body.begin() + static_cast<std::ptrdiff_t>(from), body.end(), '\0');
            textEnd = static_cast<size_t>(zero - body.begin());
            textEnded = zero != body.end();
        }
        return !marker.empty() && scan.Found(std::string_view(body.data(), textEnd), marker);
    }

private:
    std::string_view marker;
    size_t textEnd = 0;
    bool textEnded = false;
    MarkerScan scan;
};

} // namespace kh
