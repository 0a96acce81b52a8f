#pragma once
// The peer protocol on a user's data port: the greeting, the command, the request and push lines,
// and the size, offset and error replies. Lines are built and read here in the wire's code page.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tandril::protocol {

// The listener's first byte; a push's downloader answers with it too ("0" refuses).
inline constexpr std::string_view kPeerGreeting = "1";
inline constexpr char kPushRefused = '0';

enum class PeerCommand { Get, Send, GetList, SendList, Unknown };
std::string_view PeerCommandText(PeerCommand command);

// The command a connection opens with, and what came after it in the same read.
struct PeerCommandLine {
    PeerCommand command = PeerCommand::Unknown;
    std::string rest;
};
PeerCommandLine ParsePeerCommand(std::string_view line);

// The replies that are not a number.
enum class PeerError { FileNotShared, InvalidRequest, FileNotRequested, FileNotFound };
std::string_view PeerErrorText(PeerError error);

// After "GET": "nick \"name\" offset". The offset is decimal, "c" after it counting from the
// first audio frame. Missing fields read as empty.
struct FileRequest {
    std::string user;
    std::string fileName;
    std::string offset;
    std::string Encode() const;
    static FileRequest Decode(std::string_view wire);
};

// After "SEND" from a pushing uploader: "nick \"name\" size"; nullopt without a size.
struct PushHeader {
    std::string user;
    std::string fileName;
    std::uint32_t size = 0;
    std::string Encode() const;
    static std::optional<PushHeader> Decode(std::string_view wire);
};

// A size or an offset as the peer writes it.
std::string NumberReply(std::uint64_t value);
// The uploader's reply to a request: its decimal size (digits first, anything after ignored), or
// nullopt for an error text or anything else that is no size.
std::optional<std::uint32_t> ParseSizeReply(std::string_view reply);

}  // namespace tandril::protocol
