#pragma once
// Browsing another user's files: asking for a direct browse (640) and its answers (641, 642), the
// server's copy of the list (211 asked, 212 lines, 213 end), and the list itself as the peers pass
// it over a data-port connection ("GETLIST" or "SENDLIST"): the sender's nick, one share line per
// file, an empty line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/server_messages.h"

namespace tandril::protocol {

// Longest list line a sender writes, and longest one a receiver takes (line end not counted).
inline constexpr std::size_t kListLineSendLimit = 1999;
inline constexpr std::size_t kListLineReadLimit = 4095;

// 640 to the server: "nick" of the user to browse. From the server: the requester's nick, with its
// address and port when the requester waits for this side to connect (both, or neither).
struct DirectBrowse {
    static constexpr MessageType kType = MessageType::DirectBrowse;
    std::string user;
    std::optional<std::uint32_t> address;  // as the server writes it: the first octet in the low byte
    std::optional<std::uint32_t> port;
    bool HasAddress() const { return address && port; }
    std::string Encode() const;
    static std::optional<DirectBrowse> Decode(std::string_view payload);
};

// 641 to the server: the requester's nick (this side accepts). From the server: the browsed
// user's nick, address and port, to connect to; missing numbers read as 0.
struct DirectBrowseAccepted {
    static constexpr MessageType kType = MessageType::DirectBrowseAccepted;
    std::string user;
    std::uint32_t address = 0;
    std::uint32_t port = 0;
    bool withAddress = false;  // encode the address and port too (the server's form)
    std::string Encode() const;
    static std::optional<DirectBrowseAccepted> Decode(std::string_view payload);
};

// 642: "nick reason" (the reason to the end, possibly empty).
struct DirectBrowseFailed {
    static constexpr MessageType kType = MessageType::DirectBrowseFailed;
    std::string user;
    std::string reason;
    std::string Encode() const;
    static std::optional<DirectBrowseFailed> Decode(std::string_view payload);
};

// 211: "nick".
using BrowseThroughServer = UserMessage<MessageType::BrowseThroughServer>;

// 212: the nick, a blank, then one share line.
struct BrowseFile {
    static constexpr MessageType kType = MessageType::BrowseFile;
    std::string user;
    SharedEntry file;
    std::string Encode() const;
    static std::optional<BrowseFile> Decode(std::string_view payload);
};

// 213: "nick address" (decimal, the server's byte order; 0 when absent).
struct BrowseEnd {
    static constexpr MessageType kType = MessageType::BrowseEnd;
    std::string user;
    std::uint32_t address = 0;
    std::string Encode() const;
    static std::optional<BrowseEnd> Decode(std::string_view payload);
};

// The list's lines on a peer connection, in the wire's code page, each with its "\n". A share line
// that would pass kListLineSendLimit is not written at all (nullopt): a cut line would name a file
// that does not exist.
std::string ListNickLine(std::string_view nick);
std::optional<std::string> ListShareLine(const SharedEntry& file);
inline constexpr std::string_view kListEndLine = "\n";
// The sender's nick from a first line (without its line end): its first 19 characters.
std::string ListNick(std::string_view line);
// One share line (without its line end); nullopt when it lacks a field.
std::optional<SharedEntry> ParseListShareLine(std::string_view line);

// Splits a peer's bytes into lines of at most kListLineReadLimit characters: carriage returns are
// dropped, a line ends at a line feed, and what a line holds beyond the limit is skipped up to its
// line feed.
class ListLineSplitter {
public:
    // Takes `bytes` and calls `line` for every line they complete, until it returns false (no more
    // lines wanted); false then.
    template <typename OnLine>
    bool Feed(std::string_view bytes, OnLine&& line) {
        for (char ch : bytes) {
            if (ch == '\r') continue;
            if (ch == '\n') {
                std::string done;
                done.swap(current_);
                overlong_ = false;
                if (!line(std::move(done))) return false;
                continue;
            }
            if (current_.size() < kListLineReadLimit) {
                current_.push_back(ch);
            } else {
                overlong_ = true;
            }
        }
        return true;
    }
    // Characters of a line not yet ended.
    std::size_t Pending() const { return current_.size(); }
    bool CutLine() const { return overlong_; }

private:
    std::string current_;
    bool overlong_ = false;
};

}  // namespace tandril::protocol
